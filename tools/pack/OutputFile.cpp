#include "OutputFile.h"

#include "platform/FileSync.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kaldoria::pack {

QString writeOutputFile(const QString& path, const QByteArray& bytes,
                        std::optional<QFileDevice::Permissions> permissions) {
    if (QFileInfo(path).isDir())
        return u"%1: is a folder"_qs.arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return u"%1: %2"_qs.arg(path, file.errorString());
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return u"%1: cannot set the permissions: %2"_qs.arg(path, file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !platform::commitToDisk(file))
        return u"%1: %2"_qs.arg(path, file.errorString());
    return {};
}

std::optional<QByteArray> readInputFile(const QString& path, QString& error) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        error = u"%1: is a folder"_qs.arg(path);
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = u"%1: %2"_qs.arg(path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace kaldoria::pack
