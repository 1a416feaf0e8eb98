#pragma once

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

// Computes the MD5 digest of files while they are being written, on a thread of its own:
// each file is read back from its target in order, as far as its bytes are written, so that
// hashing runs beside the transfers instead of between them. When asked, the SHA-256 digest
// of the same bytes is computed in the same pass.
class DigestWorker {
public:
    // A file's digests once all its bytes were read: the raw MD5 digest, and the SHA-256
    // digest when the worker computes it. `readError` is the system's error number when
    // reading back failed (the digests are then empty). Runs on the worker's thread.
    using Finished = std::function<void(quint64 key, const QByteArray& md5,
                                        const std::optional<trust::Sha256Digest>& sha256, int readError)>;

    DigestWorker(bool sha256, Finished finished);
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

    const bool m_sha256;
    Finished m_finished;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<quint64, std::shared_ptr<File>> m_files;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace kaldoria::download
