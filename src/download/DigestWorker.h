#pragma once

#include "download/FetchJob.h"
#include "trust/Sha256.h"

#include <QByteArray>
#include <QtGlobal>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kaldoria::platform {
class RandomAccessFile;
}

namespace kaldoria::download {

// Computes the digest (MD5 or SHA-256) of files while they are being written, on a thread of
// its own: each file is read back from its target in order, as far as its bytes are written,
// so that hashing runs beside the transfers instead of between them.
class DigestWorker {
public:
    // A file's digest once all its bytes were read: the raw MD5 digest or the SHA-256 digest,
    // whichever the worker computes (the other is empty). `readError` is the system's error
    // number when reading back failed (both are then empty). Runs on the worker's thread.
    using Finished = std::function<void(quint64 key, const QByteArray& md5,
                                        const std::optional<trust::Sha256Digest>& sha256, int readError)>;

    DigestWorker(FileDigest kind, Finished finished);
    // stop().
    ~DigestWorker();

    DigestWorker(const DigestWorker&) = delete;
    DigestWorker& operator=(const DigestWorker&) = delete;

    // A file to digest under `key`, read through `file`.
    void begin(quint64 key, std::shared_ptr<const platform::RandomAccessFile> file);
    // The file's bytes before `written` are in place; `complete` when that is the whole file.
    void advance(quint64 key, qint64 written, bool complete);
    // The file is no longer wanted; no digest is reported for it.
    void forget(quint64 key);
    // Ends the thread; nothing is reported afterwards.
    void stop();

private:
    struct File;

    void run();

    const FileDigest m_kind;
    Finished m_finished;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, std::shared_ptr<File>> m_files;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace kaldoria::download
