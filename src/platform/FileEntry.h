#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace kaldoria::platform {

// The directory entry of a file: what it is, its size and its last-write time.
struct FileEntry {
    bool isDirectory = false;
    qint64 size = 0;
    qint64 lastWriteUtcMsecs = 0; // milliseconds since 1970-01-01 00:00 UTC

    // The entry at the native path `path` (links followed), or nothing when there is none
    // or it cannot be read.
    static std::optional<FileEntry> read(const QString& path);
};

} // namespace kaldoria::platform
