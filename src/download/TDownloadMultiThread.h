#pragma once

#include "download/DownloadFailure.h"
#include "download/DownloadTimings.h"
#include "download/TSegmentStatus.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace kaldoria::net {
class HttpClient;
}
namespace kaldoria::platform {
class RandomAccessFile;
}

namespace kaldoria::download {

class TDownloadThread;

// Downloads one file from an HTTP or HTTPS URL in up to ten parallel byte ranges. GetFile
// asks for the length, reserves the whole target, runs one segment thread per range, and
// returns when every segment has ended or Stop was called; the calling (user-interface)
// thread keeps dispatching its events meanwhile. A server that offers no byte ranges, or
// answers a range with the whole file, gets one request for the whole file instead.
// Progress is reported every progress interval and once at the end.
class TDownloadMultiThread : public QObject {
public:
    using ProgressEvent = std::function<void(TDownloadMultiThread& sender, qint64 loaded, qint64 size)>;

    explicit TDownloadMultiThread(DownloadTimings timings = {}, QObject* parent = nullptr);
    // Not while GetFile runs.
    ~TDownloadMultiThread() override;

    // Overall progress: bytes received over all segments, and the file's length.
    ProgressEvent OnProgress;
    // Folder path for the part files, ending with a separator; used when ThreadUseFileStream.
    QString TmpFolder;
    // True: every segment collects its bytes in a part file and the part is written into the
    // target when the segment ends. False: segments write straight into their range.
    bool ThreadUseFileStream = false;

    // Highest number of segments, limited to 1 to 10; 4 at first.
    void SetThreads(int threads);
    int Threads() const { return m_threads; }

    // Downloads `url` into `filename` (created or overwritten); the outcome is HaveError().
    // Not re-entrant. Ends the program when termination is requested while it waits.
    void GetFile(const QString& url, const QString& filename);

    // Ends the running download: segments disconnect, GetFile returns soon and deletes its
    // target. Meant for handlers that run while GetFile waits.
    void Stop();

    // True when the last GetFile failed: the target must not be used. Meaningless after Stop.
    bool HaveError() const { return m_haveError; }
    // Why the last GetFile failed; its kind is None exactly when HaveError() is false. The
    // first failure of a download is kept.
    const DownloadFailure& LastFailure() const { return m_failure; }

    // Segments of the last download and their state, slot i - 1 for segment i.
    int SegmentCount() const { return m_smartThreads; }
    const std::array<TSegmentStatus, 10>& Status() const { return m_status; }

private:
    DownloadFailure prepareTarget(const QString& filename, qint64 length);
    // `whole`: one segment asks for the whole file without a range.
    void runSegments(const QString& url, qint64 length, std::unique_ptr<net::HttpClient> client, bool whole);
    bool rangeIgnored() const;
    void segmentComplete(TDownloadThread& thread);
    DownloadFailure segmentFailure(const TDownloadThread& thread, qint64 rangeSize) const;
    void fail(DownloadFailure failure);
    void progressTick();

    DownloadTimings m_timings;
    int m_threads = 4;
    int m_smartThreads = 0;
    std::array<TSegmentStatus, 10> m_status{};
    std::vector<std::unique_ptr<TDownloadThread>> m_list;
    std::shared_ptr<platform::RandomAccessFile> m_target; // set only while segments run
    QTimer m_timer;
    int m_count = 0;
    bool m_allOk = false;
    bool m_isStop = false;
    bool m_haveError = false;
    DownloadFailure m_failure;
};

} // namespace kaldoria::download
