#include "platform/FolderLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kaldoria::platform {

namespace {
constexpr int kRetryMs = 20;
} // namespace

FolderLock::FolderLock(QString lockFile) : m_path(std::move(lockFile)) {}

FolderLock::~FolderLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderLock::Result FolderLock::acquire(int waitMs) {
    if (m_fd < 0) {
        QDir().mkpath(QFileInfo(m_path).path());
        // O_NOFOLLOW: a link planted at the lock's name is not followed out of the folder.
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (m_fd < 0) {
            m_error = QStringLiteral("cannot open %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
            return Result::Unavailable;
        }
    }
    const QDeadlineTimer deadline(waitMs);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_error = QStringLiteral("cannot lock %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
            return Result::Unavailable;
        }
        if (deadline.hasExpired())
            return Result::HeldElsewhere;
        QThread::msleep(kRetryMs);
    }
    return Result::Held;
}

} // namespace kaldoria::platform
