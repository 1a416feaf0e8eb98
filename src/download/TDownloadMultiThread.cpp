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

#include <algorithm>
#include <cerrno>

namespace kaldoria::download {

namespace {

// Bytes free on the disk that holds `path`.
qint64 freeBytes(const QString& path) {
    return QStorageInfo(QFileInfo(path).absolutePath()).bytesAvailable();
}

} // namespace

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
    m_haveError = false;
    m_failure = {};
    if (platform::TerminateRequest::endProgramIfRequested())
        return fail({.kind = DownloadFailure::Kind::Aborted, .message = QStringLiteral("terminate request")});
    if (!head.ok())
        return fail(DownloadFailure::fromRequest(head));
    const qint64 length = head.contentLength;
    if (length <= 0) {
        return fail(DownloadFailure::transfer(length < 0 ? QStringLiteral("the server announced no length")
                                                         : QStringLiteral("the server announced a length of 0")));
    }
    if (DownloadFailure failure = prepareTarget(filename, length); failure.kind != DownloadFailure::Kind::None)
        return fail(failure);

    runSegments(url, length, std::move(client), !head.byteRanges);
    // A server that answered a range with the whole file is asked once more, for the whole file.
    if (!m_isStop && rangeIgnored())
        runSegments(url, length, nullptr, true);

    // From here on an end report that still arrives writes nothing.
    m_target.reset();
    progressTick();
    m_timer.stop();
    m_list.clear(); // disconnects and awaits every segment, removes part files, closes the target
    if (m_isStop)
        QFile::remove(filename);
    platform::TerminateRequest::endProgramIfRequested();
}

DownloadFailure TDownloadMultiThread::prepareTarget(const QString& filename, qint64 length) {
    // Refuse a length that does not fit rather than fill the disk; an existing target's
    // space is freed by replacing it.
    const QFileInfo info(filename);
    const QStorageInfo storage(info.absolutePath());
    const qint64 available = storage.isValid() ? storage.bytesAvailable() : 0;
    if (storage.isValid() && available + (info.exists() ? info.size() : 0) < length)
        return DownloadFailure::fromWriteError(ENOSPC, length, available);
    std::unique_ptr<platform::RandomAccessFile> file = platform::RandomAccessFile::create(filename);
    if (!file)
        return DownloadFailure::fromWriteError(errno, length, available);
    if (!file->reserve(length)) {
        const int error = errno;
        file.reset();
        QFile::remove(filename);
        return DownloadFailure::fromWriteError(error, length, available);
    }
    m_target = std::move(file);
    return {};
}

void TDownloadMultiThread::runSegments(const QString& url, qint64 length, std::unique_ptr<net::HttpClient> client,
                                       bool whole) {
    m_status = {};
    const QList<SegmentRange> ranges = planSegments(length, whole ? 1 : m_threads);
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
        thread->WholeFile = whole;
        thread->SetTarget(m_target);
        m_list.push_back(std::move(thread));
    }

    m_timer.start();
    m_count = 0;
    m_allOk = false;
    m_isStop = false;
    m_haveError = false;
    m_failure = {};
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
        fail(DownloadFailure::fromWriteError(errno, thread.PartSize(), freeBytes(m_target->path())));
    slot.Complete = true;
    if (thread.ErrorCount() > 2 || thread.PartSize() < slot.Size || thread.AnswerRefused())
        fail(segmentFailure(thread, slot.Size));
    if (++m_count == m_smartThreads) {
        platform::TerminateRequest::endProgramIfRequested();
        m_allOk = true;
    }
}

bool TDownloadMultiThread::rangeIgnored() const {
    return std::any_of(m_list.begin(), m_list.end(), [](const auto& thread) { return thread->RangeIgnored(); });
}

DownloadFailure TDownloadMultiThread::segmentFailure(const TDownloadThread& thread, qint64 rangeSize) const {
    if (thread.WriteError() != 0)
        return DownloadFailure::fromWriteError(thread.WriteError(), rangeSize - thread.PartSize(),
                                               freeBytes(m_target->path()));
    if (thread.ErrorCount() > 2)
        return DownloadFailure::transfer(QStringLiteral("no data for a whole watchdog period, four times"));
    if (thread.AnswerRefused())
        return DownloadFailure::transfer(QStringLiteral("the answer did not match the range asked for"));
    if (!thread.LastResult().ok())
        return DownloadFailure::fromRequest(thread.LastResult());
    return DownloadFailure::transfer(
        QStringLiteral("short body: %1 of %2 bytes").arg(thread.PartSize()).arg(rangeSize));
}

void TDownloadMultiThread::fail(DownloadFailure failure) {
    m_haveError = true;
    if (m_failure.kind == DownloadFailure::Kind::None)
        m_failure = std::move(failure);
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
