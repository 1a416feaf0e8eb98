#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

namespace kaldoria::platform {

// A file read and written at explicit offsets. Several threads may write distinct ranges of
// one file at the same time, since no call moves a shared file position.
class RandomAccessFile {
public:
    // Creates `path`, or empties it when it exists; nullptr when that fails.
    static std::unique_ptr<RandomAccessFile> create(const QString& path);
    // Opens an existing `path` for reading and writing, keeping its bytes; nullptr when that fails.
    static std::unique_ptr<RandomAccessFile> openExisting(const QString& path);
    ~RandomAccessFile();

    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    // Writes all `size` bytes at `offset`; false when the system refuses some of them.
    bool writeAt(qint64 offset, const char* data, qint64 size);

    // Reads up to `size` bytes at `offset`; the count read, 0 at the end, -1 on an error.
    qint64 readAt(qint64 offset, char* data, qint64 size) const;

    // Makes the file `length` bytes long with disk space allocated for all of it; the new
    // bytes read as zeros. False when the space cannot be allocated.
    bool reserve(qint64 length);

    // The file's length; -1 when the system cannot tell.
    qint64 size() const;

    // Starts writing the `length` bytes at `offset` to the disk without waiting, so that a
    // later flush has less left to wait for.
    void startWriteback(qint64 offset, qint64 length) const;

    // Waits until the bytes written so far are on the disk; false when the system fails to.
    bool flush() const;

    QString path() const { return m_path; }

private:
    RandomAccessFile(int fd, QString path);

    int m_fd;
    QString m_path;
};

} // namespace kaldoria::platform
