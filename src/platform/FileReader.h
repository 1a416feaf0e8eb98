#pragma once

#include "platform/FileEntry.h"

#include <QString>

namespace kaldoria::platform {

// A regular file opened for reading, read in blocks through the caller's buffer. Folders,
// devices and pipes do not open. Other programs may still read the file; this platform has no share modes, so
// nothing stops them writing it.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens the file at the native path `path`; false when it is missing, not a regular
    // file, or cannot be opened.
    bool open(const QString& path);

    // Up to `size` bytes into `buffer`: the count read (0 at the end of the file) or -1
    // when the read failed.
    qint64 read(char* buffer, qint64 size);

    // The directory entry of the file as it was when it was opened.
    const FileEntry& entry() const { return m_entry; }

    void close();

private:
    int m_fd = -1;
    FileEntry m_entry;
};

} // namespace kaldoria::platform
