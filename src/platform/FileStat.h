#pragma once

#include "platform/FileEntry.h"

#include <sys/stat.h>

namespace kaldoria::platform {

// The FileEntry of a stat result, the last-write time cut to whole milliseconds.
inline FileEntry fileEntryFromStat(const struct stat& st) {
    FileEntry entry;
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = st.st_size;
    const qint64 seconds = st.st_mtim.tv_sec;
    entry.lastWriteUtcMsecs = seconds * 1000 + st.st_mtim.tv_nsec / 1000000;
    return entry;
}

} // namespace kaldoria::platform
