#include "platform/FileSync.h"

#include <QFile>

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

bool commitToDisk(QSaveFile& file) {
    if (!file.flush() || ::fsync(file.handle()) != 0)
        file.cancelWriting();
    return file.commit();
}

} // namespace kaldoria::platform
