#include "download/FetchEngine.h"

#include "download/DigestWorker.h"
#include "download/FileAssembly.h"
#include "download/RateLimiter.h"
#include "download/ResumeRecorder.h"
#include "download/ServerPool.h"
#include "download/TransferRate.h"
#include "net/CurlRequest.h"
#include "net/HttpClient.h"
#include "net/HttpResponseHead.h"
#include "net/HttpResult.h"

#include <curl/curl.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kaldoria::download {

namespace {

using Clock = std::chrono::steady_clock;
using Kind = DownloadFailure::Kind;

// A transfer's rate counts towards the best one once it was measured over this long, so that
// the burst of a transfer's first moment does not raise the bar for the others.
constexpr auto kReferenceSpan = std::chrono::milliseconds(500);
// How long the best rate is remembered after the transfers that reached it have ended: a
// straggler is still judged against what the link gave a moment ago.
constexpr auto kBestRateMemory = std::chrono::seconds(30);
// A finished transfer of at least this many bytes tells how fast the server delivers.
constexpr qint64 kMinimumFinishedBytes = 16 * 1024;

// Failures that a new attempt may heal.
bool mayHeal(const DownloadFailure& failure) {
    return failure.kind == Kind::Transfer || failure.kind == Kind::Connect ||
           (failure.kind == Kind::HttpStatus && failure.httpStatus >= 500);
}

bool isHttps(const QString& url) {
    return url.startsWith(QLatin1String("https:"), Qt::CaseInsensitive);
}

// Failures that say something about the server that answered, or failed to: another server may
// do better. A full disk or an unwritable target would fail on any server.
bool serverMayBeAtFault(const DownloadFailure& failure) {
    return failure.kind == Kind::HttpStatus || failure.kind == Kind::Connect || failure.kind == Kind::Certificate ||
           failure.kind == Kind::Transfer;
}

DownloadFailure rangeMismatch() {
    return DownloadFailure::transfer(QStringLiteral("the answer did not match the range asked for"));
}

// A resumable file's progress is handed to the control file writer after this many new
// bytes, or after the interval when fewer arrived. The writer takes the newest when it is
// free, so on a fast link the records follow the disk's pace, a few MiB behind the transfers.
constexpr qint64 kRecordBytes = qint64(4) * 1024 * 1024;
constexpr auto kRecordInterval = std::chrono::seconds(1);

// What names this version of the file: a strong ETag, else the Last-Modified date; empty
// when the answer has neither. A weak ETag cannot vouch for the bytes of a range.
QByteArray validatorOf(const net::HttpResponseHead& head) {
    const QByteArray etag = head.header("etag");
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return head.header("last-modified");
}

} // namespace

class FetchEngine::Worker {
public:
    Worker(FetchOptions options, ProgressHandler progress, DoneHandler done, ResumeHandler resumed);
    ~Worker();

    void fetch(FetchJob job);
    void stop();
    std::vector<ServerTally> servers();

private:
    // One request in flight: a range of a file.
    struct Transfer {
        Worker* owner = nullptr;
        std::shared_ptr<FileAssembly> file;
        int range = 0;
        int server = 0; // the number of the server asked (see FetchJob)
        CURL* easy = nullptr;
        net::HttpResponseHead head;
        bool judged = false;
        // The answer showed that the server sends this file only whole.
        bool restartWhole = false;
        // The answer showed that the file changed since an earlier fetch left part of it.
        bool startOver = false;
        curl_slist* headers = nullptr;
        // Why a handler cut the transfer.
        DownloadFailure refusal;
        // Waiting for the shared rate budget; `sequence` gives the transfers their turns.
        bool paused = false;
        quint64 sequence = 0;
        // Body bytes of this transfer, and how fast they came since the first one.
        qint64 received = 0;
        std::optional<TransferRate> rate;
        Clock::time_point began; // when the request was made
        // The range was split while this transfer ran: it ends before the answer does.
        bool shortened = false;
        // The shortened range has all its bytes; the rest of the answer is not wanted.
        bool reachedEnd = false;
        char errorBuffer[CURL_ERROR_SIZE] = {};

        ~Transfer() {
            curl_easy_cleanup(easy);
            curl_slist_free_all(headers);
        }
    };

    void run();
    void takeQueued();
    void startTransfers();
    // Transfers at once of `job`'s kind towards the server: one per connection, several over
    // HTTPS, which may carry them as HTTP/2 streams of fewer connections, more for small files.
    int transferLimit(const FetchJob& job, int server) const;
    // The connections libcurl may keep to one server.
    long connectionsPerServer() const;
    void startRange(const std::shared_ptr<FileAssembly>& file, int range, int server);
    // Makes room for the servers of a newly queued job.
    void addServers(const FetchJob& job);
    // The server that takes the next range of `job`'s file (null before it opened); -1 when
    // every server it may use is busy.
    int serverFor(const FetchJob& job, const FileAssembly* file);
    // Whether a live server other than `except` may still send ranges of the file.
    bool hasOtherServer(const FetchJob& job, const FileAssembly* file, int except) const;
    // A transfer that failed with a file's other servers left: the server is not asked for
    // this file again, and is dropped when it failed as a server; the range then goes to
    // another. False when the failure stays the range's own.
    bool leaveServer(const Transfer& transfer, const DownloadFailure& failure);
    // The end of a transfer taken out of the engine, for its server's tally and its file's.
    void countTransfer(const Transfer& transfer);
    void resumePaused();
    // How long the loop may wait for network events: the progress interval, or less when a
    // paused transfer may go on sooner.
    int pollTimeout(int pollMs);
    bool stealFromStraggler();
    static qint64 bytesToCome(const Transfer& transfer);
    bool cutSlowTransfers();
    double slowFloor(Clock::time_point now);
    // Keeps `bytesPerSecond` as the best recent rate when it is higher, or the best is stale.
    void noteBestRate(double bytesPerSecond, Clock::time_point now);
    void noteFinishedRate(const Transfer& transfer, Clock::time_point now);
    bool isSlow(const Transfer& transfer, Clock::time_point now, double floor) const;
    // Takes the transfer of `easy` out of the engine; null when it is not there.
    std::unique_ptr<Transfer> takeTransfer(CURL* easy);
    void finishTransfer(CURL* easy, CURLcode code);
    DownloadFailure failureOf(const Transfer& transfer, CURLcode code) const;
    void beginDigest(FileAssembly& file);
    void advanceDigests();
    void takeDigests();
    void restartWhole(FileAssembly& file);
    void startOver(FileAssembly& file);
    // Ends the file's transfers, digest and control file, then resets it with `reset`.
    void beginAgain(FileAssembly& file, void (FileAssembly::*reset)());
    // Queues a control file update for every resumable file that received enough since its last.
    void recordProgress();
    // Removes a resumable file's control file once no record of it is being written.
    void dropRecord(FileAssembly& file);
    // Closes an unfinished file: a recordable one keeps its target and a control file brought
    // up to date, any other is removed.
    void setAside(FileAssembly& file);
    void endFile(const std::shared_ptr<FileAssembly>& file, DownloadFailure failure, const QByteArray& md5 = {},
                 const std::optional<trust::Sha256Digest>& sha256 = {});
    void removeTransfersOf(const FileAssembly& file);
    void reportProgress();

    size_t onHeader(Transfer& transfer, QByteArrayView line);
    DownloadFailure judgeAnswer(Transfer& transfer, long status);
    DownloadFailure judgeResumedAnswer(Transfer& transfer, long status);
    size_t onBody(Transfer& transfer, const char* data, size_t size);

    static size_t headerCallback(char* data, size_t size, size_t count, void* transfer) {
        auto* t = static_cast<Transfer*>(transfer);
        return t->owner->onHeader(*t, QByteArrayView(data, qsizetype(size * count)));
    }
    static size_t bodyCallback(char* data, size_t size, size_t count, void* transfer) {
        auto* t = static_cast<Transfer*>(transfer);
        return t->owner->onBody(*t, data, size * count);
    }

    const FetchOptions m_options;
    const ProgressHandler m_progress;
    const DoneHandler m_done;
    const ResumeHandler m_resumed;
    CURLM* m_multi = nullptr;

    std::mutex m_mutex;
    std::deque<FetchJob> m_queued; // handed over, not yet seen by the engine's thread
    bool m_stopping = false;
    struct Digest {
        quint64 key;
        QByteArray md5;
        std::optional<trust::Sha256Digest> sha256;
        int readError;
    };
    std::vector<Digest> m_digests; // finished, not yet seen by the engine's thread

    // The rest belongs to the engine's thread.
    std::deque<FetchJob> m_waiting;
    std::vector<std::shared_ptr<FileAssembly>> m_open; // started, in the order they started
    // Fetched whole, waiting for the digest of their bytes, by digest key.
    std::map<quint64, std::shared_ptr<FileAssembly>> m_digesting;
    std::unordered_map<quint64, qint64> m_advanced; // bytes handed to the digest, by key
    quint64 m_lastDigestKey = 0;
    std::vector<std::unique_ptr<Transfer>> m_transfers;
    std::unordered_map<quint64, qint64> m_reported;
    Clock::time_point m_nextReport = Clock::now();
    RateLimiter m_limiter;
    quint64 m_lastSequence = 0;
    quint64 m_lastResumed = 0;
    ServerPool m_servers;
    // By file: the servers that failed it, and the bytes each sent.
    struct FileServers {
        std::vector<bool> refused;
        std::vector<qint64> bytes;
    };
    std::unordered_map<const FileAssembly*, FileServers> m_fileServers;
    std::vector<ServerTally> m_tallies; // under m_mutex: the servers as of the last transfer's end
    struct BestRate {
        double bytesPerSecond = 0;
        Clock::time_point at;
    };
    BestRate m_bestRate;

    DigestWorker m_digest;
    ResumeRecorder m_recorder;
    std::thread m_thread;
};

FetchEngine::Worker::Worker(FetchOptions options, ProgressHandler progress, DoneHandler done, ResumeHandler resumed)
    : m_options(options), m_progress(std::move(progress)), m_done(std::move(done)), m_resumed(std::move(resumed)),
      m_limiter(options.maxBytesPerSecond),
      m_digest(options.digest, [this](quint64 key, const QByteArray& md5,
                                      const std::optional<trust::Sha256Digest>& sha256, int readError) {
          {
              const std::lock_guard lock(m_mutex);
              m_digests.push_back({key, md5, sha256, readError});
          }
          curl_multi_wakeup(m_multi);
      }) {
    net::initialiseCurl();
    m_multi = curl_multi_init();
    const long connections = connectionsPerServer();
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, connections);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, connections);
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, connections);
    m_thread = std::thread([this] { run(); });
}

FetchEngine::Worker::~Worker() {
    stop();
    curl_multi_cleanup(m_multi);
}

void FetchEngine::Worker::fetch(FetchJob job) {
    {
        const std::lock_guard lock(m_mutex);
        m_queued.push_back(std::move(job));
    }
    curl_multi_wakeup(m_multi);
}

void FetchEngine::Worker::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    curl_multi_wakeup(m_multi);
    if (m_thread.joinable())
        m_thread.join();
}

void FetchEngine::Worker::run() {
    const int pollMs = int(std::max<qint64>(10, m_options.progressInterval.count()));
    for (;;) {
        takeQueued();
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping)
                break;
        }
        startTransfers();
        resumePaused();
        int running = 0;
        curl_multi_perform(m_multi, &running);
        bool finished = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                finishTransfer(message->easy_handle, message->data.result);
                finished = true;
            }
        }
        finished = cutSlowTransfers() || finished;
        advanceDigests();
        recordProgress();
        takeDigests();
        reportProgress();
        if (!finished)
            curl_multi_poll(m_multi, nullptr, 0, pollTimeout(pollMs), nullptr);
    }
    m_digest.stop();
    m_recorder.stop();
    for (const auto& transfer : m_transfers)
        curl_multi_remove_handle(m_multi, transfer->easy);
    m_transfers.clear();
    for (const auto& file : m_open)
        setAside(*file);
    for (const auto& [key, file] : m_digesting) {
        dropRecord(*file);
        file->discard();
    }
    m_open.clear();
    m_digesting.clear();
    m_waiting.clear();
    m_fileServers.clear();
}

void FetchEngine::Worker::takeQueued() {
    const std::lock_guard lock(m_mutex);
    while (!m_queued.empty()) {
        addServers(m_queued.front());
        m_waiting.push_back(std::move(m_queued.front()));
        m_queued.pop_front();
    }
}

void FetchEngine::Worker::startTransfers() {
    for (;;) {
        // The remaining ranges of started files go first, so that files finish in order.
        std::shared_ptr<FileAssembly> file;
        int range = -1;
        for (const auto& open : m_open) {
            range = open->nextIdleRange();
            if (range >= 0) {
                file = open;
                break;
            }
        }
        if (!file && m_waiting.empty()) {
            if (!stealFromStraggler())
                return;
            continue;
        }
        const int server = serverFor(file ? file->job() : m_waiting.front(), file.get());
        if (server < 0)
            return;
        if (file) {
            startRange(file, range, server);
            continue;
        }
        file = std::make_shared<FileAssembly>(std::move(m_waiting.front()), m_options.rangeBytes);
        m_waiting.pop_front();
        if (DownloadFailure failure = file->open(); failure.kind != Kind::None) {
            FetchOutcome outcome;
            outcome.id = file->job().id;
            outcome.failure = failure;
            m_done(outcome);
            continue;
        }
        m_open.push_back(file);
        const size_t servers = size_t(file->job().servers());
        m_fileServers[file.get()] = {std::vector<bool>(servers), std::vector<qint64>(servers)};
        beginDigest(*file);
        if (file->resumedBytes() > 0 && m_resumed)
            m_resumed(file->job().id, file->resumedBytes());
        startRange(file, file->nextIdleRange(), server);
    }
}

int FetchEngine::Worker::transferLimit(const FetchJob& job, int server) const {
    const int connections = std::max(1, m_options.connections);
    const int limit =
        isHttps(job.address(server)) ? connections * std::max(1, m_options.streamsPerConnection) : connections;
    return job.small ? std::max(limit, m_options.smallFileConnections) : limit;
}

long FetchEngine::Worker::connectionsPerServer() const {
    // The engine keeps large files to `connections` itself; libcurl only bounds the whole.
    return std::max({1, m_options.connections, m_options.smallFileConnections});
}

void FetchEngine::Worker::addServers(const FetchJob& job) {
    if (job.servers() <= m_servers.count())
        return;
    m_servers.reserve(job.servers());
    const long connections = connectionsPerServer() * m_servers.count();
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, connections);
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, connections);
}

int FetchEngine::Worker::serverFor(const FetchJob& job, const FileAssembly* file) {
    const auto use = file ? m_fileServers.find(file) : m_fileServers.end();
    const auto usable = [&](int server) { return use == m_fileServers.end() || !use->second.refused[size_t(server)]; };
    const auto hasRoom = [&](int server, int running) { return running < transferLimit(job, server); };
    const int chosen = m_servers.choose(job.servers(), usable, hasRoom, Clock::now());
    if (chosen >= 0 || hasOtherServer(job, file, -1))
        return chosen;
    // Every server of the file failed: the file's own server is asked again, and its failures
    // count against the range's attempts as with one server.
    return hasRoom(0, m_servers.running(0)) ? 0 : -1;
}

bool FetchEngine::Worker::hasOtherServer(const FetchJob& job, const FileAssembly* file, int except) const {
    const auto use = file ? m_fileServers.find(file) : m_fileServers.end();
    for (int server = 0; server < job.servers(); ++server) {
        if (server != except && m_servers.live(server) &&
            (use == m_fileServers.end() || !use->second.refused[size_t(server)]))
            return true;
    }
    return false;
}

bool FetchEngine::Worker::leaveServer(const Transfer& transfer, const DownloadFailure& failure) {
    if (!serverMayBeAtFault(failure))
        return false;
    if (failure.kind == Kind::HttpStatus && failure.httpStatus < 500)
        m_servers.succeeded(transfer.server); // the server answered; it lacks this file
    else
        m_servers.failed(transfer.server, failure);
    if (!hasOtherServer(transfer.file->job(), transfer.file.get(), transfer.server))
        return false;
    m_fileServers[transfer.file.get()].refused[size_t(transfer.server)] = true;
    // Bytes of a file that comes whole cannot be continued elsewhere.
    if (transfer.file->whole())
        restartWhole(*transfer.file);
    return true;
}

void FetchEngine::Worker::countTransfer(const Transfer& transfer) {
    m_servers.ended(transfer.server, transfer.received, Clock::now());
    if (const auto use = m_fileServers.find(transfer.file.get()); use != m_fileServers.end())
        use->second.bytes[size_t(transfer.server)] += transfer.received;
    const std::lock_guard lock(m_mutex);
    m_tallies = m_servers.tallies(Clock::now());
}

std::vector<ServerTally> FetchEngine::Worker::servers() {
    const std::lock_guard lock(m_mutex);
    return m_tallies;
}

void FetchEngine::Worker::startRange(const std::shared_ptr<FileAssembly>& file, int range, int server) {
    auto transfer = std::make_unique<Transfer>();
    transfer->owner = this;
    transfer->file = file;
    transfer->range = range;
    transfer->server = server;
    transfer->began = Clock::now();
    CURL* easy = curl_easy_init();
    transfer->easy = easy;
    net::setCommonOptions(easy, net::kUserAgent, true);
    const QString& url = file->job().address(server);
    net::setRequestUrl(easy, net::HttpClient::requestUrl(url));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Worker::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Worker::bodyCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    // Over HTTPS, which may speak HTTP/2, a new request waits to learn whether it can share a
    // connection's streams rather than opening another; plain HTTP/1.1 never shares.
    if (isHttps(url))
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
    FileAssembly::Range& bytes = file->ranges()[size_t(range)];
    // An HTTP/1.1 connection whose transfer was cut is closed, but over HTTP/2 the slow stream's
    // connection stays open and would be handed back.
    if (bytes.freshConnection)
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    bytes.freshConnection = false;
    // A transfer that receives nothing for the stall time is cut (fewer than 1 byte/s).
    const long stallSeconds = long(std::max<qint64>(1, (m_options.stallTime.count() + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_options.stallTime.count()));
    transfer->sequence = ++m_lastSequence;
    // Under a low rate limit, smaller chunks keep the turns of the transfers short, so that none
    // waits long enough for the server to give up on it.
    if (m_limiter.limits())
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE,
                         long(std::clamp<qint64>(m_options.maxBytesPerSecond / 8, 1024, CURL_MAX_WRITE_SIZE)));
    if (!file->whole()) {
        QByteArray rangeText = QByteArray::number(bytes.next()) + '-';
        if (bytes.bounded())
            rangeText += QByteArray::number(bytes.last);
        curl_easy_setopt(easy, CURLOPT_RANGE, rangeText.constData());
    }
    // A server whose file changed since the earlier fetch answers with the whole new file
    // instead of the range.
    if (file->awaitingConfirmation()) {
        transfer->headers = curl_slist_append(nullptr, ("If-Range: " + file->validator()).constData());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers);
    }
    bytes.running = true;
    m_servers.started(server, Clock::now());
    curl_multi_add_handle(m_multi, easy);
    m_transfers.push_back(std::move(transfer));
}

void FetchEngine::Worker::resumePaused() {
    if (!m_limiter.limits())
        return;
    // Turns go round in the order the transfers started, beginning after the one that went on
    // last; a transfer that takes more than the budget allows pauses itself again.
    const auto turn = std::partition_point(m_transfers.begin(), m_transfers.end(), [this](const auto& transfer) {
        return transfer->sequence <= m_lastResumed;
    });
    std::vector<Transfer*> order;
    for (auto it = turn; it != m_transfers.end(); ++it)
        order.push_back(it->get());
    for (auto it = m_transfers.begin(); it != turn; ++it)
        order.push_back(it->get());
    for (Transfer* transfer : order) {
        if (!transfer->paused)
            continue;
        if (m_limiter.untilReady(Clock::now()).count() > 0)
            return;
        transfer->paused = false;
        m_lastResumed = transfer->sequence;
        curl_easy_pause(transfer->easy, CURLPAUSE_CONT);
    }
}

int FetchEngine::Worker::pollTimeout(int pollMs) {
    const bool anyPaused =
        std::any_of(m_transfers.begin(), m_transfers.end(), [](const auto& transfer) { return transfer->paused; });
    if (!anyPaused)
        return pollMs;
    return int(std::min<qint64>(pollMs, m_limiter.untilReady(Clock::now()).count()));
}

size_t FetchEngine::Worker::onHeader(Transfer& transfer, QByteArrayView line) {
    if (line != "\r\n" && line != "\n") {
        transfer.head.addLine(line);
        return size_t(line.size());
    }
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    if ((status >= 100 && status < 200) || transfer.judged)
        return size_t(line.size()); // an interim answer, or the end of trailing fields
    // libcurl follows the redirect or fails the request itself; its body is never written.
    if (net::isFollowedRedirect(status) && !transfer.head.header("location").isEmpty())
        return size_t(line.size());
    transfer.judged = true;
    transfer.refusal =
        transfer.file->awaitingConfirmation() ? judgeResumedAnswer(transfer, status) : judgeAnswer(transfer, status);
    if (transfer.refusal.kind != Kind::None || transfer.restartWhole || transfer.startOver)
        return 0;
    return size_t(line.size());
}

DownloadFailure FetchEngine::Worker::judgeAnswer(Transfer& transfer, long status) {
    FileAssembly& file = *transfer.file;
    const FileAssembly::Range& range = file.ranges()[size_t(transfer.range)];
    const bool firstAnswer = file.length() < 0 && transfer.range == 0 && range.written == 0;
    if (status == 416 && firstAnswer && !file.whole()) {
        transfer.restartWhole = true; // an empty file has no first range to send
        return {};
    }
    if (status < 200 || status > 299) {
        DownloadFailure failure;
        failure.kind = Kind::HttpStatus;
        failure.httpStatus = int(status);
        return failure;
    }
    if (status != 206) {
        // The whole file: the answer to the file's first request, or to a request without a
        // range. Anywhere else the server ignored a range, and the file starts again whole.
        if (firstAnswer)
            return file.setWholeLength(transfer.head.contentLength());
        transfer.restartWhole = true;
        return {};
    }
    if (file.whole())
        return rangeMismatch();
    const std::optional<net::ContentRange> answer = transfer.head.contentRange();
    if (!answer || answer->first != range.next())
        return rangeMismatch();
    if (file.length() < 0) {
        if (answer->total < 0) {
            transfer.restartWhole = true; // without the length the file cannot be cut
            return {};
        }
        if (answer->last != std::min(range.last, answer->total - 1))
            return rangeMismatch();
        file.setValidator(validatorOf(transfer.head));
        return file.setLength(answer->total, answer->last);
    }
    if (answer->last != range.last || answer->total != file.length())
        return rangeMismatch();
    return {};
}

DownloadFailure FetchEngine::Worker::judgeResumedAnswer(Transfer& transfer, long status) {
    FileAssembly& file = *transfer.file;
    const FileAssembly::Range& range = file.ranges()[size_t(transfer.range)];
    if (status == 206) {
        const std::optional<net::ContentRange> answer = transfer.head.contentRange();
        // A server that ignores the condition may still send a range of a changed file; its
        // validator or length gives it away.
        const QByteArray validator =
            file.validator().startsWith('"') ? transfer.head.header("etag") : transfer.head.header("last-modified");
        if (answer && answer->total == file.length() && validator == file.validator()) {
            if (answer->first != range.next() || answer->last != range.last)
                return rangeMismatch();
            file.confirm();
            return {};
        }
        transfer.startOver = true;
        return {};
    }
    // The whole new file (the condition failed), or a file now too short for the range.
    if (status == 200 || status == 416) {
        transfer.startOver = true;
        return {};
    }
    DownloadFailure failure;
    failure.kind = Kind::HttpStatus;
    failure.httpStatus = int(status);
    return failure;
}

size_t FetchEngine::Worker::onBody(Transfer& transfer, const char* data, size_t size) {
    // A transfer told to stop keeps being told, before its bytes count against the limit:
    // libcurl ignores the stop when it comes while a paused transfer goes on (it only makes
    // curl_easy_pause fail), and the transfer would read the rest of its answer for nothing.
    if (transfer.reachedEnd || transfer.refusal.kind != Kind::None)
        return 0;
    // libcurl keeps the refused bytes and hands them over again once the transfer goes on.
    if (!m_limiter.take(qint64(size), Clock::now())) {
        transfer.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (!transfer.rate)
        transfer.rate.emplace(m_options.slowWindow, Clock::now());
    const FileAssembly::Range& range = transfer.file->ranges()[size_t(transfer.range)];
    const qint64 wanted = transfer.shortened ? std::min(qint64(size), range.last + 1 - range.next()) : qint64(size);
    transfer.refusal = transfer.file->write(transfer.range, data, wanted);
    if (transfer.refusal.kind != Kind::None)
        return 0;
    transfer.received += wanted;
    // A shortened range ends its transfer once full: the rest goes to the one that took it over.
    transfer.reachedEnd = transfer.shortened && range.next() > range.last;
    return transfer.reachedEnd ? 0 : size;
}

// With nothing left to start, a free connection takes over the second half of the running range
// with the most bytes still to come, so that the last ranges of an update, or of one large file,
// do not hold everything up on a few connections while the others idle.
bool FetchEngine::Worker::stealFromStraggler() {
    Transfer* straggler = nullptr;
    qint64 most = m_options.stealBytes;
    for (const auto& transfer : m_transfers) {
        const qint64 left = bytesToCome(*transfer);
        if (left > most) {
            most = left;
            straggler = transfer.get();
        }
    }
    if (!straggler)
        return false;
    const int server = serverFor(straggler->file->job(), straggler->file.get());
    if (server < 0)
        return false;
    const qint64 at = straggler->file->ranges()[size_t(straggler->range)].next() + most / 2;
    const int taken = straggler->file->split(straggler->range, at);
    straggler->shortened = true;
    startRange(straggler->file, taken, server);
    return true;
}

// Bytes a transfer still has to receive, counted only for an answer that was accepted as the
// range asked for: 0 before, and for a file that comes whole.
qint64 FetchEngine::Worker::bytesToCome(const Transfer& transfer) {
    if (!transfer.judged || transfer.refusal.kind != Kind::None || transfer.restartWhole || transfer.file->whole())
        return 0;
    const FileAssembly::Range& range = transfer.file->ranges()[size_t(transfer.range)];
    return range.last + 1 - range.next();
}

// Cuts every transfer that keeps receiving far below the floor: its range keeps what arrived and
// the rest is asked for again on a new connection. A cut is not one of the range's attempts, as
// only a transfer that receives bytes is judged, so every cut moves its range on. True when a
// transfer was cut.
bool FetchEngine::Worker::cutSlowTransfers() {
    const Clock::time_point now = Clock::now();
    const double floor = slowFloor(now);
    std::vector<CURL*> slow;
    for (const auto& transfer : m_transfers) {
        if (isSlow(*transfer, now, floor))
            slow.push_back(transfer->easy);
    }
    for (CURL* easy : slow) {
        const std::unique_ptr<Transfer> transfer = takeTransfer(easy);
        FileAssembly::Range& range = transfer->file->ranges()[size_t(transfer->range)];
        range.running = false;
        range.freshConnection = true;
    }
    return !slow.empty();
}

// Notes how far every transfer got and returns the rate below which one is slow: the fixed
// floor, or the share of the best rate a transfer reached lately, whichever is higher.
void FetchEngine::Worker::noteBestRate(double bytesPerSecond, Clock::time_point now) {
    if (bytesPerSecond >= m_bestRate.bytesPerSecond || now - m_bestRate.at > kBestRateMemory)
        m_bestRate = {bytesPerSecond, now};
}

void FetchEngine::Worker::noteFinishedRate(const Transfer& transfer, Clock::time_point now) {
    // Small files (chunks of a patch) end before any running transfer is measured; the rate of a
    // finished one, its round trip included, stands in for them, so that a trickling
    // connection is also given up among small files.
    const double seconds = std::chrono::duration<double>(now - transfer.began).count();
    if (transfer.received >= kMinimumFinishedBytes && seconds > 0)
        noteBestRate(double(transfer.received) / seconds, now);
}

double FetchEngine::Worker::slowFloor(Clock::time_point now) {
    double best = 0;
    for (const auto& transfer : m_transfers) {
        if (!transfer->rate)
            continue;
        transfer->rate->note(now, transfer->received);
        if (transfer->rate->span() >= kReferenceSpan)
            best = std::max(best, transfer->rate->bytesPerSecond());
    }
    noteBestRate(best, now);
    // A rate limit slows every transfer alike: the fixed floor stays below the same share of it.
    double fixed = double(m_options.slowRate);
    if (m_limiter.limits())
        fixed = std::min(fixed, m_options.slowShare * double(m_options.maxBytesPerSecond));
    return std::max(fixed, m_options.slowShare * m_bestRate.bytesPerSecond);
}

// A file that comes whole is never cut for slowness: it would start again from nothing. Nor is a
// transfer that waits for its turn under the rate limit.
bool FetchEngine::Worker::isSlow(const Transfer& transfer, Clock::time_point now, double floor) const {
    return transfer.rate && !transfer.file->whole() && !transfer.reachedEnd && !transfer.paused &&
           now - transfer.rate->started() >= m_options.slowGrace + m_options.slowWindow &&
           transfer.rate->bytesPerSecond() < floor;
}

std::unique_ptr<FetchEngine::Worker::Transfer> FetchEngine::Worker::takeTransfer(CURL* easy) {
    const auto at = std::find_if(m_transfers.begin(), m_transfers.end(),
                                 [easy](const auto& transfer) { return transfer->easy == easy; });
    if (at == m_transfers.end())
        return nullptr;
    std::unique_ptr<Transfer> transfer = std::move(*at);
    m_transfers.erase(at);
    curl_multi_remove_handle(m_multi, easy);
    countTransfer(*transfer);
    return transfer;
}

void FetchEngine::Worker::finishTransfer(CURL* easy, CURLcode code) {
    std::unique_ptr<Transfer> transfer = takeTransfer(easy);
    if (!transfer)
        return;
    const std::shared_ptr<FileAssembly> file = transfer->file;
    FileAssembly::Range& range = file->ranges()[size_t(transfer->range)];
    range.running = false;
    if (transfer->restartWhole) {
        restartWhole(*file);
        return;
    }
    if (transfer->startOver) {
        startOver(*file);
        return;
    }
    const DownloadFailure failure = failureOf(*transfer, code);
    if (failure.kind == Kind::None) {
        m_servers.succeeded(transfer->server);
        noteFinishedRate(*transfer, Clock::now());
        file->complete(transfer->range);
        if (file->allDone()) {
            // The file is whole; it is reported once its digest has caught up.
            std::erase(m_open, file);
            m_digesting[file->digestKey()] = file;
            m_digest.advance(file->digestKey(), file->received(), true);
        }
        return;
    }
    if (leaveServer(*transfer, failure))
        return; // asked for again from where it stopped, on another server
    if (mayHeal(failure) && ++range.failures < m_options.attemptsPerRange) {
        if (file->whole()) {
            const int failures = range.failures;
            restartWhole(*file);
            file->ranges().front().failures = failures;
        }
        return; // asked for again from where it stopped
    }
    endFile(file, failure);
}

DownloadFailure FetchEngine::Worker::failureOf(const Transfer& transfer, CURLcode code) const {
    if (transfer.reachedEnd)
        return {};
    if (transfer.refusal.kind != Kind::None)
        return transfer.refusal;
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    if (code == CURLE_OPERATION_TIMEDOUT) {
        return DownloadFailure::transfer(
            QStringLiteral("no data for %1 s").arg(double(m_options.stallTime.count()) / 1000.0));
    }
    if (code != CURLE_OK) {
        net::HttpResult result;
        result.error = net::errorOf(code, status);
        result.status = int(status);
        result.message = QString::fromUtf8(transfer.errorBuffer[0] ? transfer.errorBuffer : curl_easy_strerror(code));
        long systemError = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_OS_ERRNO, &systemError);
        result.systemError = int(systemError);
        return DownloadFailure::fromRequest(result);
    }
    const FileAssembly::Range& range = transfer.file->ranges()[size_t(transfer.range)];
    if (!transfer.judged)
        return DownloadFailure::transfer(QStringLiteral("no answer"));
    if (range.bounded() && range.written < range.length())
        return DownloadFailure::transfer(
            QStringLiteral("short body: %1 of %2 bytes").arg(range.written).arg(range.length()));
    return {};
}

void FetchEngine::Worker::beginDigest(FileAssembly& file) {
    file.setDigestKey(++m_lastDigestKey);
    m_digest.begin(file.digestKey(), file.target());
}

void FetchEngine::Worker::advanceDigests() {
    for (const auto& file : m_open) {
        const qint64 inOrder = file->inOrder();
        qint64& advanced = m_advanced[file->digestKey()];
        if (inOrder != advanced) {
            advanced = inOrder;
            m_digest.advance(file->digestKey(), inOrder, false);
        }
    }
}

void FetchEngine::Worker::takeDigests() {
    std::vector<Digest> digests;
    {
        const std::lock_guard lock(m_mutex);
        digests.swap(m_digests);
    }
    for (const Digest& digest : digests) {
        const auto at = m_digesting.find(digest.key);
        if (at == m_digesting.end())
            continue;
        const std::shared_ptr<FileAssembly> file = at->second;
        m_digesting.erase(at);
        if (digest.readError != 0)
            endFile(file, DownloadFailure::fromWriteError(digest.readError, 0, 0));
        else
            endFile(file, {}, digest.md5, digest.sha256);
    }
}

void FetchEngine::Worker::restartWhole(FileAssembly& file) {
    beginAgain(file, &FileAssembly::restartWhole);
}

void FetchEngine::Worker::startOver(FileAssembly& file) {
    beginAgain(file, &FileAssembly::startOver);
    if (m_resumed)
        m_resumed(file.job().id, 0);
}

void FetchEngine::Worker::beginAgain(FileAssembly& file, void (FileAssembly::*reset)()) {
    removeTransfersOf(file);
    m_digest.forget(file.digestKey());
    m_advanced.erase(file.digestKey());
    dropRecord(file);
    (file.*reset)();
    if (const auto use = m_fileServers.find(&file); use != m_fileServers.end())
        std::fill(use->second.bytes.begin(), use->second.bytes.end(), 0);
    beginDigest(file);
}

void FetchEngine::Worker::recordProgress() {
    const Clock::time_point now = Clock::now();
    for (const auto& file : m_open) {
        if (!file->recordable() || file->awaitingConfirmation())
            continue;
        const qint64 fresh = file->received() - file->recordedBytes();
        if (fresh <= 0 || (fresh < kRecordBytes && now < file->recordedAt() + kRecordInterval))
            continue;
        file->setRecorded(file->received(), now);
        m_recorder.record(file->controlPath(), file->target(), file->record());
    }
}

void FetchEngine::Worker::dropRecord(FileAssembly& file) {
    if (!file.job().resumable)
        return;
    m_recorder.forget(file.controlPath());
    ResumeRecord::remove(file.controlPath());
}

void FetchEngine::Worker::setAside(FileAssembly& file) {
    if (file.recordable() && file.isOpen()) {
        m_recorder.forget(file.controlPath());
        if (ResumeRecorder::write(*file.target(), file.controlPath(), file.record())) {
            file.close();
            return;
        }
    }
    dropRecord(file);
    file.discard();
}

void FetchEngine::Worker::endFile(const std::shared_ptr<FileAssembly>& file, DownloadFailure failure,
                                  const QByteArray& md5, const std::optional<trust::Sha256Digest>& sha256) {
    removeTransfersOf(*file);
    std::erase(m_open, file);
    m_digest.forget(file->digestKey());
    m_advanced.erase(file->digestKey());
    m_reported.erase(file->job().id);
    FetchOutcome outcome;
    outcome.id = file->job().id;
    outcome.failure = std::move(failure);
    if (const auto use = m_fileServers.find(file.get()); use != m_fileServers.end()) {
        outcome.bytesFrom = use->second.bytes;
        m_fileServers.erase(use);
    }
    if (outcome.ok()) {
        outcome.md5 = md5;
        outcome.sha256 = sha256;
        outcome.length = file->received();
        dropRecord(*file);
        file->close();
    } else if (mayHeal(outcome.failure)) {
        setAside(*file); // a later fetch may take up what arrived
    } else {
        dropRecord(*file);
        file->discard();
    }
    m_done(outcome);
}

void FetchEngine::Worker::removeTransfersOf(const FileAssembly& file) {
    for (auto it = m_transfers.begin(); it != m_transfers.end();) {
        if ((*it)->file.get() == &file) {
            curl_multi_remove_handle(m_multi, (*it)->easy);
            countTransfer(**it);
            it = m_transfers.erase(it);
        } else {
            ++it;
        }
    }
}

void FetchEngine::Worker::reportProgress() {
    if (!m_progress || Clock::now() < m_nextReport)
        return;
    m_nextReport = Clock::now() + m_options.progressInterval;
    for (const auto& file : m_open) {
        const qint64 received = file->received();
        qint64& reported = m_reported[file->job().id];
        if (received != reported) {
            reported = received;
            m_progress(file->job().id, received, file->length());
        }
    }
}

FetchEngine::FetchEngine(FetchOptions options, ProgressHandler progress, DoneHandler done, ResumeHandler resumed)
    : m_worker(std::make_unique<Worker>(options, std::move(progress), std::move(done), std::move(resumed))) {}

FetchEngine::~FetchEngine() = default;

void FetchEngine::fetch(FetchJob job) {
    m_worker->fetch(std::move(job));
}

void FetchEngine::stop() {
    m_worker->stop();
}

std::vector<ServerTally> FetchEngine::servers() const {
    return m_worker->servers();
}

} // namespace kaldoria::download
