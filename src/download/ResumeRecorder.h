#pragma once

#include "download/ResumeRecord.h"

#include <QString>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace kaldoria::platform {
class RandomAccessFile;
}

namespace kaldoria::download {

// Writes the control files of partly fetched files on a thread of its own, so that waiting
// for the disk never holds the transfers. Each record is written only after its target's
// bytes were flushed to the disk, so that a record never claims bytes a crash could lose.
// Records for one control file that arrive faster than the disk takes them are coalesced:
// only the newest is written.
class ResumeRecorder {
public:
    ResumeRecorder();
    // stop().
    ~ResumeRecorder();

    ResumeRecorder(const ResumeRecorder&) = delete;
    ResumeRecorder& operator=(const ResumeRecorder&) = delete;

    // Queues `record` for the control file `path` of `target`. The record may only name
    // bytes that were written to the target before this call.
    void record(const QString& path, std::shared_ptr<const platform::RandomAccessFile> target, ResumeRecord record);
    // Drops what is queued for `path` and returns once no write of it is in progress, so
    // that the caller may replace or remove the control file.
    void forget(const QString& path);
    // Ends the thread; a queued record not yet begun is dropped.
    void stop();

    // Flushes `target` and then saves `record` at `path`, on the calling thread; false when
    // either failed (the old control file then stays).
    static bool write(const platform::RandomAccessFile& target, const QString& path, const ResumeRecord& record);

private:
    struct Pending {
        std::shared_ptr<const platform::RandomAccessFile> target;
        ResumeRecord record;
    };

    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<QString, Pending> m_pending;
    QString m_writing; // the control file being written, empty when none
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace kaldoria::download
