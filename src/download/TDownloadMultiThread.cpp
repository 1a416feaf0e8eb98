#include "download/TDownloadMultiThread.h"

#include "download/SegmentPlan.h"
#include "download/TDownloadThread.h"
#include "net/HttpClient.h"
#include "platform/EventLoopWait.h"
#include "platform/RandomAccessFile.h"
#include "platform/TerminateRequest.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace kaldoria::download {

TDownloadMultiThread::TDownloadMultiThread(DownloadTimings timings, QObject* parent)
    : QObject(parent), m_timings(timings) {
    m_timer.setInterval(m_timings.progress);
    connect(&m_timer, &QTimer::timeout, this, [this] { progressTick(); });
}

TDownloadMultiThread::~TDownloadMultiThread() = default;

void TDownloadMultiThread::SetThreads(int threads) {
    m_threads = limitThreads(threads);
}

void TDownloadMultiThread::GetFile(const QString& url, const QString& filename) {
    auto client = std::make_unique<net::HttpClient>();
    client->setDispatchInterval(m_timings.dispatch);
    // The length request gives up after one stall period, like a segment does: a server that
    // accepts the connection and never answers must not hold the launcher forever.
    const net::HttpResult head = client->probe(url, m_timings.watchdog);
    m_haveError = true;
    if (platform::TerminateRequest::endProgramIfRequested())
        return;
    const qint64 length = head.ok() ? head.contentLength : 0;
    if (length <= 0 || !prepareTarget(filename, length))
        return;

    runSegments(url, length, std::move(client));

    // From here on an end report that still arrives writes nothing.
    m_target.reset();
    progressTick();
    m_timer.stop();
    m_list.clear(); // disconnects and awaits every segment, removes part files, closes the target
    if (m_isStop)
        QFile::remove(filename);
    platform::TerminateRequest::endProgramIfRequested();
}

bool TDownloadMultiThread::prepareTarget(const QString& filename, qint64 length) {
    // Refuse a length that does not fit rather than fill the disk; an existing target's
    // space is freed by replacing it.
    const QFileInfo info(filename);
    const QStorageInfo storage(info.absolutePath());
    if (storage.isValid() && storage.bytesAvailable() + (info.exists() ? info.size() : 0) < length)
        return false;
    std::unique_ptr<platform::RandomAccessFile> file = platform::RandomAccessFile::create(filename);
    if (!file)
        return false;
    if (!file->reserve(length)) {
        file.reset();
        QFile::remove(filename);
        return false;
    }
    m_target = std::move(file);
    return true;
}

void TDownloadMultiThread::runSegments(const QString& url, qint64 length, std::unique_ptr<net::HttpClient> client) {
    m_status = {};
    const QList<SegmentRange> ranges = planSegments(length, m_threads);
    m_smartThreads = int(ranges.size());
    m_list.clear();
    for (int i = 0; i < m_smartThreads; ++i) {
        // The first segment goes on over the length request's connection when it was kept open.
        auto thread = std::make_unique<TDownloadThread>(i + 1, url, ranges[i].first, ranges[i].last, m_timings.watchdog,
                                                        i == 0 ? std::move(client) : nullptr);
        m_status[i] = {false, 0, ranges[i].length()};
        thread->OnComplete = [this](TDownloadThread& sender) { segmentComplete(sender); };
        thread->TmpFolder = TmpFolder;
        thread->UseFileStream = ThreadUseFileStream;
        thread->SetTarget(m_target);
        m_list.push_back(std::move(thread));
    }

    m_timer.start();
    m_count = 0;
    m_allOk = false;
    m_isStop = false;
    m_haveError = false;
    for (const auto& thread : m_list)
        thread->start();
    // Should the program not end on a terminate request (a test's hook), the download ends as
    // if stopped.
    if (platform::waitWhileDispatching([this] { return m_allOk || m_isStop; }) == platform::WaitOutcome::Terminated)
        Stop();
}

void TDownloadMultiThread::segmentComplete(TDownloadThread& thread) {
    if (!m_target)
        return;
    TSegmentStatus& slot = m_status[thread.thread_id() - 1];
    slot.Loaded = thread.Pos();
    // A part that could not be written whole into the target fails the download too.
    if (!thread.WritePartInto(*m_target))
        m_haveError = true;
    slot.Complete = true;
    if (thread.ErrorCount() > 2 || thread.PartSize() < slot.Size || thread.AnswerRefused())
        m_haveError = true;
    if (++m_count == m_smartThreads) {
        platform::TerminateRequest::endProgramIfRequested();
        m_allOk = true;
    }
}

void TDownloadMultiThread::progressTick() {
    for (const auto& thread : m_list)
        m_status[thread->thread_id() - 1].Loaded = thread->Pos();
    if (!OnProgress)
        return;
    qint64 loaded = 0;
    qint64 size = 0;
    for (const TSegmentStatus& slot : m_status) {
        loaded += slot.Loaded;
        size += slot.Size;
    }
    try {
        OnProgress(*this, loaded, size);
    } catch (...) {
        // A failing progress handler must not end the download.
    }
}

void TDownloadMultiThread::Stop() {
    for (const auto& thread : m_list)
        thread->Stop();
    m_isStop = true;
}

} // namespace kaldoria::download
