#pragma once

#include "net/HttpClient.h"

#include <QString>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace kaldoria::platform {
class RandomAccessFile;
}

namespace kaldoria::download {

class RangeWriter;

// Fetches one byte range of a URL on a thread of its own into a part: either straight into
// the range of the target file (the default) or into a part file in TmpFolder. A watchdog
// on the creating (user-interface) thread cuts an attempt whose byte count stopped moving,
// and the range is started again, four attempts at most. The end is reported through
// OnComplete on the creating thread; progress is read from Pos() by the owner.
class TDownloadThread : public QThread {
public:
    using CompleteEvent = std::function<void(TDownloadThread& sender)>;

    // `client` may carry a connection kept open by an earlier request to the same server;
    // without one the thread makes its own.
    TDownloadThread(int id, QString url, qint64 startpos, qint64 endpos,
                    std::chrono::milliseconds watchdog = std::chrono::milliseconds(20000),
                    std::unique_ptr<net::HttpClient> client = nullptr);
    // Disconnects, waits for the run to end (serving its end report, which then does nothing)
    // and removes the part file.
    ~TDownloadThread() override;

    // Set by the owner before start().
    CompleteEvent OnComplete;
    QString TmpFolder;          // folder path for the part file, ending with a separator
    bool UseFileStream = false; // true: the part is a file; false: the target's range
    bool WholeFile = false;     // true: the whole file is asked for, without a Range header
    void SetTarget(std::shared_ptr<platform::RandomAccessFile> target) { m_target = std::move(target); }

    // Cuts the connection from the owner's thread: a request in progress fails at once and
    // no further attempt is made.
    void Stop();

    int thread_id() const { return m_id; }
    qint64 Start() const { return m_start; }
    qint64 End() const { return m_end; }
    // Bytes received in the current attempt; readable from any thread.
    qint64 Pos() const { return m_pos; }
    // Attempts made minus one, 0 to 3. Valid once the end was reported.
    int ErrorCount() const { return m_errorCount; }
    // Bytes the part holds; 0 when it could not be created.
    qint64 PartSize() const;
    // The last attempt's answer was refused: an answer that is not this range (a whole file
    // for a range that does not start at 0, another range), more bytes than the range, or a
    // part that could not take the bytes.
    bool AnswerRefused() const { return m_answerRefused; }
    // The last attempt's range request was answered with the whole file (status 200), which
    // this range cannot use: the server does not honour ranges.
    bool RangeIgnored() const { return m_rangeIgnored; }
    // What the client reported for the last attempt.
    const net::HttpResult& LastResult() const { return m_lastResult; }
    // The system's error number of the last write the part refused; 0 when none was.
    int WriteError() const;
    QString PartFileName() const;

    // Writes the part into `target` at the range's first offset, in blocks of up to 1 MiB;
    // nothing to do when the part is the target's own range. False when a block failed.
    bool WritePartInto(platform::RandomAccessFile& target) const;

protected:
    void run() override;

private:
    bool createPart();
    void runAttempts();
    void arm();
    void disarm();
    void watchdogTick();

    const int m_id;
    const QString m_url;
    const qint64 m_start;
    const qint64 m_end;
    std::unique_ptr<net::HttpClient> m_client;
    std::shared_ptr<platform::RandomAccessFile> m_target;
    std::unique_ptr<RangeWriter> m_part;
    QTimer m_watchdog;

    std::atomic<qint64> m_pos{0};
    std::atomic<qint64> m_old{0};
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_stopRequested{false};
    std::mutex m_watchdogMutex; // the tick's disarm-and-cut against the run's reading of it
    int m_errorCount = 0;
    bool m_answerRefused = false;
    bool m_rangeIgnored = false;
    net::HttpResult m_lastResult;
};

} // namespace kaldoria::download
