#include "platform/RandomAccessFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kaldoria::platform {

RandomAccessFile::RandomAccessFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}

RandomAccessFile::~RandomAccessFile() {
    ::close(m_fd);
}

std::unique_ptr<RandomAccessFile> RandomAccessFile::create(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<RandomAccessFile>(new RandomAccessFile(fd, path));
}

std::unique_ptr<RandomAccessFile> RandomAccessFile::openExisting(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<RandomAccessFile>(new RandomAccessFile(fd, path));
}

bool RandomAccessFile::writeAt(qint64 offset, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::pwrite(m_fd, data, size_t(size), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        offset += written;
        size -= written;
    }
    return true;
}

qint64 RandomAccessFile::readAt(qint64 offset, char* data, qint64 size) const {
    for (;;) {
        const ssize_t got = ::pread(m_fd, data, size_t(size), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}

bool RandomAccessFile::reserve(qint64 length) {
    if (::ftruncate(m_fd, off_t(length)) != 0)
        return false;
    return length == 0 || ::posix_fallocate(m_fd, 0, off_t(length)) == 0;
}

qint64 RandomAccessFile::size() const {
    struct stat status {};
    return ::fstat(m_fd, &status) == 0 ? qint64(status.st_size) : -1;
}

void RandomAccessFile::startWriteback(qint64 offset, qint64 length) const {
    // Only a hint: a system that refuses it leaves the whole work to flush().
    ::sync_file_range(m_fd, off_t(offset), off_t(length), SYNC_FILE_RANGE_WRITE);
}

bool RandomAccessFile::flush() const {
    return ::fdatasync(m_fd) == 0;
}

} // namespace kaldoria::platform
