#include "download/TDownloadThread.h"

#include "download/RangeWriter.h"
#include "net/HttpClient.h"
#include "platform/RandomAccessFile.h"
#include "platform/TerminateRequest.h"

#include <QCoreApplication>
#include <QFile>

namespace kaldoria::download {

namespace {
constexpr qint64 kCopyBlockBytes = 1048576;
constexpr int kMaxAttempts = 4;
} // namespace

TDownloadThread::TDownloadThread(int id, QString url, qint64 startpos, qint64 endpos,
                                 std::chrono::milliseconds watchdog, std::unique_ptr<net::HttpClient> client)
    : m_id(id), m_url(std::move(url)), m_start(startpos), m_end(endpos),
      m_client(client ? std::move(client) : std::make_unique<net::HttpClient>()) {
    m_watchdog.setInterval(watchdog);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] { watchdogTick(); });
}

TDownloadThread::~TDownloadThread() {
    Stop();
    requestInterruption();
    // The run may be blocked in its end report; serve it (it does nothing now) until it ends.
    while (!wait(QDeadlineTimer(5)))
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_part.reset();
    if (UseFileStream)
        QFile::remove(PartFileName());
}

void TDownloadThread::Stop() {
    m_stopRequested = true;
    m_client->disconnect();
}

QString TDownloadThread::PartFileName() const {
    return TmpFolder + QStringLiteral("_part_") + QString::number(m_id) + QStringLiteral(".tmp");
}

qint64 TDownloadThread::PartSize() const {
    return m_part ? m_part->size() : 0;
}

int TDownloadThread::WriteError() const {
    return m_part ? m_part->writeError() : 0;
}

bool TDownloadThread::WritePartInto(platform::RandomAccessFile& target) const {
    if (!m_part || &m_part->file() == &target)
        return true;
    QByteArray block(qMin(kCopyBlockBytes, m_part->size()), Qt::Uninitialized);
    for (qint64 done = 0; done < m_part->size();) {
        const qint64 got = m_part->file().readAt(done, block.data(), qMin<qint64>(block.size(), m_part->size() - done));
        if (got <= 0 || !target.writeAt(m_start + done, block.constData(), got))
            return false;
        done += got;
    }
    return true;
}

bool TDownloadThread::createPart() {
    const qint64 length = m_end - m_start + 1;
    if (UseFileStream) {
        std::shared_ptr<platform::RandomAccessFile> file = platform::RandomAccessFile::create(PartFileName());
        if (!file)
            return false;
        m_part = std::make_unique<RangeWriter>(std::move(file), 0, length);
    } else {
        if (!m_target)
            return false;
        m_part = std::make_unique<RangeWriter>(m_target, m_start, length);
    }
    return true;
}

void TDownloadThread::run() {
    if (isInterruptionRequested())
        return;
    // A part that cannot be made still ends with the end report, with nothing received.
    if (createPart())
        runAttempts();
    if (isInterruptionRequested() || platform::TerminateRequest::isRequested())
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!isInterruptionRequested() && OnComplete)
                OnComplete(*this);
        },
        Qt::BlockingQueuedConnection);
}

void TDownloadThread::runAttempts() {
    net::HttpGetOptions options;
    if (!WholeFile)
        options.headerLines = {"Range: bytes=" + QByteArray::number(m_start) + '-' + QByteArray::number(m_end)};
    options.onProgress = [this](qint64 received) { m_pos = received; };
    options.acceptHead = [this](const net::HttpResponseHead& head) {
        if (WholeFile)
            return head.status() == 200;
        if (head.status() == 206) {
            const auto range = head.contentRange();
            return range && range->first == m_start;
        }
        // The whole file serves only a range that is the whole file.
        if (head.status() == 200 && m_start == 0 && head.contentLength() == m_end + 1)
            return true;
        m_rangeIgnored = head.status() == 200;
        return false;
    };
    for (m_errorCount = 0;; ++m_errorCount) {
        if (!m_armed) {
            m_pos = 0;
            m_old = 0;
            m_part->seek(0);
            arm();
        }
        m_rangeIgnored = false;
        m_lastResult = m_client->get(m_url, *m_part, options);
        m_answerRefused = m_lastResult.error == net::HttpError::Refused;
        bool stalled = false;
        {
            const std::lock_guard lock(m_watchdogMutex);
            stalled = !m_armed;
            if (stalled)
                m_client->clearDisconnect(); // the watchdog's cut is spent; the next attempt reconnects
        }
        if (!stalled || m_errorCount + 1 >= kMaxAttempts || m_stopRequested)
            break;
    }
    disarm();
}

void TDownloadThread::arm() {
    m_armed = true;
    QMetaObject::invokeMethod(
        this, [this] { m_watchdog.start(); }, Qt::QueuedConnection);
}

void TDownloadThread::disarm() {
    m_armed = false;
    QMetaObject::invokeMethod(
        this, [this] { m_watchdog.stop(); }, Qt::QueuedConnection);
}

void TDownloadThread::watchdogTick() {
    const std::lock_guard lock(m_watchdogMutex);
    if (!m_armed) {
        m_watchdog.stop();
        return;
    }
    const qint64 position = m_pos;
    if (position != m_old) {
        m_old = position;
        return;
    }
    // Nothing arrived for a whole interval: disarm first, so the run sees a stall when its
    // request fails, then cut the connection.
    m_armed = false;
    m_watchdog.stop();
    m_client->disconnect();
}

} // namespace kaldoria::download
