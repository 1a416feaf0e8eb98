#pragma once

#include "download/FetchJob.h"
#include "download/ResumeRecord.h"

#include "platform/RandomAccessFile.h"

#include <chrono>
#include <memory>
#include <vector>

namespace kaldoria::download {

// One file being fetched: the target its bytes go to and the byte ranges it is fetched in.
// Used by one thread; the target may be read from others.
class FileAssembly {
public:
    struct Range {
        qint64 first = 0;
        qint64 last = -1; // -1: up to the end of a file of unknown length
        qint64 written = 0;
        int failures = 0;
        bool running = false;
        bool done = false;
        // The last transfer of this range was cut for being slow: the next one asks for a new
        // connection rather than one kept open.
        bool freshConnection = false;

        qint64 next() const { return first + written; }
        bool bounded() const { return last >= 0; }
        qint64 length() const { return last - first + 1; }
    };

    explicit FileAssembly(FetchJob job, qint64 rangeBytes);

    const FetchJob& job() const { return m_job; }
    // Names the file's digest in progress; a restart starts another.
    quint64 digestKey() const { return m_digestKey; }
    void setDigestKey(quint64 key) { m_digestKey = key; }
    // Creates or empties the target; a LocalFile or DiskFull failure when that fails. A
    // resumable job whose control file names its target's length instead
    // keeps the target as it is: the recorded spans count as done ranges, the rest is cut
    // into ranges, and the file awaits confirmation. A control file that does not fit is
    // removed.
    DownloadFailure open();
    bool isOpen() const { return m_file != nullptr; }
    std::shared_ptr<const platform::RandomAccessFile> target() const { return m_file; }

    // The length is known once the first answer arrived: -1 before.
    qint64 length() const { return m_length; }
    // True when the server sends the file in one answer without ranges.
    bool whole() const { return m_whole; }
    qint64 received() const;
    // The bytes written from the start of the file without a gap.
    qint64 inOrder() const;

    // The first answer gave the file's length: the first range ends where that answer ends and
    // the rest is cut into ranges. The target is given its length at once, so that a file that
    // does not fit fails before any byte is written.
    DownloadFailure setLength(qint64 length, qint64 firstRangeLast);
    // Starts again from nothing with one request for the whole file: the server ignores
    // ranges. `length` is the announced length, -1 when none.
    void restartWhole();
    DownloadFailure setWholeLength(qint64 length);

    // The server's validator of the file, sent with the first answer; empty when none.
    const QByteArray& validator() const { return m_validator; }
    void setValidator(QByteArray validator) { m_validator = std::move(validator); }
    // Bytes an earlier run left that this fetch builds on; 0 when it started afresh.
    qint64 resumedBytes() const { return m_resumedBytes; }
    // A resumed file whose server has not yet shown that the file is the one recorded: only
    // one range runs, asked for on the condition that the validator still holds.
    bool awaitingConfirmation() const { return m_unconfirmed; }
    void confirm() { m_unconfirmed = false; }
    // Starts again from an empty target with the first request of a fresh fetch, forgetting
    // what an earlier run left; the caller removes the control file first.
    void startOver();

    // The file's progress is worth a control file: a resumable job fetched in several ranges
    // from a server that names a validator.
    bool recordable() const;
    QString controlPath() const { return ResumeRecord::controlPath(m_job.path); }
    // What is written so far, for the control file.
    ResumeRecord record() const;
    // Received bytes the newest control file covers, and when it was asked for.
    qint64 recordedBytes() const { return m_recordedBytes; }
    std::chrono::steady_clock::time_point recordedAt() const { return m_recordedAt; }
    void setRecorded(qint64 bytes, std::chrono::steady_clock::time_point at) {
        m_recordedBytes = bytes;
        m_recordedAt = at;
    }

    std::vector<Range>& ranges() { return m_ranges; }
    // The next range to request: not running, not done; -1 when there is none.
    int nextIdleRange() const;
    // Ends range `index` before `at`, a byte it has not received yet, and adds a range from `at`
    // to its old end; the index of the new range, which comes after every other.
    int split(int index, qint64 at);

    // Writes bytes of range `index` at its current end; a failure when they do not fit the
    // range or cannot be written.
    DownloadFailure write(int index, const char* data, qint64 size);
    // Range `index` has all its bytes.
    void complete(int index) { m_ranges[size_t(index)].done = true; }
    bool allDone() const;
    // Closes the target, keeping it.
    void close() { m_file.reset(); }
    // Closes and removes the target.
    void discard();

private:
    DownloadFailure writeFailure(int error) const;
    // The ranges in the order of their offsets: a range split off a running one stands at the
    // end of the list.
    std::vector<const Range*> rangesByOffset() const;
    // Takes up what the control file recorded; false when it does not fit the target.
    bool resume();
    // Cuts the bytes from `first` up to `end` into ranges still to fetch.
    void addMissing(qint64 first, qint64 end);

    FetchJob m_job;
    qint64 m_rangeBytes;
    std::shared_ptr<platform::RandomAccessFile> m_file;
    std::vector<Range> m_ranges;
    qint64 m_length = -1;
    quint64 m_digestKey = 0;
    bool m_whole = false;
    QByteArray m_validator;
    qint64 m_resumedBytes = 0;
    qint64 m_recordedBytes = 0;
    std::chrono::steady_clock::time_point m_recordedAt = std::chrono::steady_clock::now();
    bool m_unconfirmed = false;
};

} // namespace kaldoria::download
