#include "platform/FileReader.h"

#include "platform/FileStat.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kaldoria::platform {

FileReader::~FileReader() {
    close();
}

bool FileReader::open(const QString& path) {
    close();
    // Non-blocking, so that a pipe in the file's place cannot stall the open; only regular
    // files are read (a device or pipe could feed bytes for ever).
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0)
        return false;
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    m_entry = fileEntryFromStat(st);
    return true;
}

qint64 FileReader::read(char* buffer, qint64 size) {
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, static_cast<size_t>(size));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -1;
    }
}

void FileReader::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace kaldoria::platform
