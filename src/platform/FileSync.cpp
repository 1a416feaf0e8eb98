#include "platform/FileSync.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace kaldoria::platform {

bool syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QString replaceFile(const QString& temporary, const QString& target) {
    const QFileInfo replaced(target);
    if (replaced.isFile() && !replaced.isSymLink() && replaced.isExecutable())
        QFile::setPermissions(temporary, QFile::permissions(temporary) | replaced.permissions());
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return qt_error_string(errno);
    return {};
}

bool commitToDisk(QSaveFile& file) {
    if (!file.flush() || ::fsync(file.handle()) != 0)
        file.cancelWriting();
    return file.commit();
}

} // namespace kaldoria::platform
