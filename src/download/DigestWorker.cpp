#include "download/DigestWorker.h"

#include "filelist/TMD5.h"
#include "platform/RandomAccessFile.h"

#include <cerrno>

namespace kaldoria::download {

namespace {

// Bytes read back and digested at a time; large enough to keep the hashing in long runs,
// small enough that new work is seen soon.
constexpr qint64 kChunkBytes = 1024 * 1024;

} // namespace

struct DigestWorker::File {
    std::shared_ptr<const platform::RandomAccessFile> target;
    std::optional<filelist::TMD5> md5;
    std::optional<trust::Sha256> sha256;
    qint64 digested = 0;
    qint64 written = 0; // guarded by the worker's mutex, like `complete`
    bool complete = false;
};

DigestWorker::DigestWorker(FileDigest kind, Finished finished)
    : m_kind(kind), m_finished(std::move(finished)), m_thread([this] { run(); }) {}

DigestWorker::~DigestWorker() {
    stop();
}

void DigestWorker::begin(quint64 key, std::shared_ptr<const platform::RandomAccessFile> file) {
    auto entry = std::make_shared<File>();
    entry->target = std::move(file);
    if (m_kind == FileDigest::Sha256)
        entry->sha256.emplace();
    else
        entry->md5.emplace();
    const std::lock_guard lock(m_mutex);
    m_files[key] = std::move(entry);
}

void DigestWorker::advance(quint64 key, qint64 written, bool complete) {
    {
        const std::lock_guard lock(m_mutex);
        const auto at = m_files.find(key);
        if (at == m_files.end())
            return;
        at->second->written = written;
        at->second->complete = complete;
    }
    m_wake.notify_one();
}

void DigestWorker::forget(quint64 key) {
    const std::lock_guard lock(m_mutex);
    m_files.erase(key);
}

void DigestWorker::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void DigestWorker::run() {
    QByteArray buffer(kChunkBytes, Qt::Uninitialized);
    for (;;) {
        quint64 key = 0;
        std::shared_ptr<File> file;
        qint64 until = 0;
        bool complete = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] {
                if (m_stopping)
                    return true;
                for (const auto& [k, f] : m_files) {
                    if (f->digested < f->written || f->complete) {
                        key = k;
                        file = f;
                        until = f->written;
                        complete = f->complete;
                        return true;
                    }
                }
                return false;
            });
            if (m_stopping)
                return;
        }
        // The file is digested outside the lock; a file forgotten meanwhile is simply not reported.
        int readError = 0;
        while (file->digested < until && readError == 0) {
            const qint64 read =
                file->target->readAt(file->digested, buffer.data(), std::min(kChunkBytes, until - file->digested));
            if (read <= 0) {
                readError = read < 0 ? errno : EIO;
                break;
            }
            if (file->md5)
                file->md5->Add(buffer.constData(), size_t(read));
            else
                file->sha256->add(buffer.constData(), size_t(read));
            file->digested += read;
            if (!complete)
                break; // look at the other files too before going on with this one
        }
        if (!complete && readError == 0)
            continue;
        {
            const std::lock_guard lock(m_mutex);
            const auto at = m_files.find(key);
            if (at == m_files.end() || at->second != file)
                continue;
            if (readError == 0 && file->digested < file->written)
                continue; // more arrived meanwhile
            m_files.erase(at);
        }
        QByteArray md5;
        std::optional<trust::Sha256Digest> sha256;
        if (readError == 0) {
            if (file->md5) {
                const filelist::TDigest digest = file->md5->Digest();
                md5 = QByteArray(reinterpret_cast<const char*>(digest.data()), qsizetype(digest.size()));
            } else {
                sha256 = file->sha256->finish();
            }
        }
        m_finished(key, md5, sha256, readError);
    }
}

} // namespace kaldoria::download
