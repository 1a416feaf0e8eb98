#include "platform/FileEntry.h"

#include "platform/FileStat.h"

#include <QFile>

#include <sys/stat.h>

namespace kaldoria::platform {

std::optional<FileEntry> FileEntry::read(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return fileEntryFromStat(st);
}

} // namespace kaldoria::platform
