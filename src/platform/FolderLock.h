#pragma once

#include <QString>

namespace kaldoria::platform {

// One launcher at a time for a client folder: an exclusive lock (flock) on a lock file in
// it, held from acquire() until the object is destroyed or the process ends, whichever
// comes first. Taking it is atomic, so of two launchers started together exactly one
// holds it. The file is opened close-on-exec, so programs the launcher starts (the game)
// never hold it.
class FolderLock {
public:
    enum class Result {
        Held,          // this process holds the lock
        HeldElsewhere, // another process held it for the whole wait
        Unavailable,   // the lock file could not be created or opened; errorText() says why
    };

    // `lockFile`: the lock file's path; it is created, with its folder, when missing.
    explicit FolderLock(QString lockFile);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock, waiting up to `waitMs` milliseconds for another holder to let go.
    Result acquire(int waitMs);
    const QString& errorText() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    int m_fd = -1;
};

} // namespace kaldoria::platform
