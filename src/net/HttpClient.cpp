#include "net/HttpClient.h"

#include "net/CurlRequest.h"

#include "platform/EventLoopWait.h"
#include "platform/SocketControl.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QThread>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace kaldoria::net {

namespace {

// How long a worker's wait on the network may last before it looks at the disconnect flag
// and the cancel token again; disconnect() also wakes it at once.
constexpr int kWorkerPollMs = 1000;
bool onApplicationThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// libcurl's header list for the extra lines of one request.
class HeaderList {
public:
    explicit HeaderList(const QList<QByteArray>& lines) {
        for (const QByteArray& line : lines)
            m_list = curl_slist_append(m_list, line.constData());
    }
    ~HeaderList() { curl_slist_free_all(m_list); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

} // namespace

struct HttpClient::Impl {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    std::chrono::milliseconds dispatchInterval{250};
    std::atomic<bool> disconnected{false};
    platform::CancelToken cancel;
    std::mutex socketMutex;
    std::vector<curl_socket_t> sockets;

    // State of the request in progress.
    QIODevice* sink = nullptr;
    const HttpGetOptions* options = nullptr;
    HttpResponseHead head;
    bool headJudged = false;
    qint64 received = 0;
    HttpError callbackError = HttpError::None;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    bool givenUp() const { return disconnected || cancel.isCancelled(); }
    HttpResult perform(const QByteArray& url, bool headOnly, long timeoutMs, const HeaderList& headers);
    CURLcode runTransfer();
    size_t headerLine(QByteArrayView line);
    size_t bodyChunk(const char* data, size_t size);

    static size_t onHeader(char* data, size_t size, size_t count, void* impl) {
        return static_cast<Impl*>(impl)->headerLine(QByteArrayView(data, qsizetype(size * count)));
    }
    static size_t onBody(char* data, size_t size, size_t count, void* impl) {
        return static_cast<Impl*>(impl)->bodyChunk(data, size * count);
    }
    static curl_socket_t onOpenSocket(void* impl, curlsocktype, curl_sockaddr* address);
    static int onCloseSocket(void* impl, curl_socket_t socket);
};

curl_socket_t HttpClient::Impl::onOpenSocket(void* impl, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<Impl*>(impl);
    const std::lock_guard lock(self->socketMutex);
    if (self->disconnected)
        return CURL_SOCKET_BAD;
    const qintptr socket = platform::openSocket(address->family, address->socktype, address->protocol);
    if (socket < 0)
        return CURL_SOCKET_BAD;
    self->sockets.push_back(curl_socket_t(socket));
    return curl_socket_t(socket);
}

int HttpClient::Impl::onCloseSocket(void* impl, curl_socket_t socket) {
    auto* self = static_cast<Impl*>(impl);
    const std::lock_guard lock(self->socketMutex);
    std::erase(self->sockets, socket);
    platform::closeSocket(socket);
    return 0;
}

size_t HttpClient::Impl::headerLine(QByteArrayView line) {
    if (line != "\r\n" && line != "\n") {
        head.addLine(line);
        return size_t(line.size());
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if ((status >= 100 && status < 200) || headJudged)
        return size_t(line.size()); // an interim answer, or the end of trailing fields
    // libcurl follows the redirect or fails the request itself (too many, a refused scheme);
    // the redirect's own body is never handed over.
    if (isFollowedRedirect(status) && !head.header("location").isEmpty())
        return size_t(line.size());
    headJudged = true;
    if (status < 200 || status > 299) {
        callbackError = HttpError::Status;
        return 0;
    }
    if (options && options->acceptHead && !options->acceptHead(head)) {
        callbackError = HttpError::Refused;
        return 0;
    }
    return size_t(line.size());
}

size_t HttpClient::Impl::bodyChunk(const char* data, size_t size) {
    if (!sink || sink->write(data, qint64(size)) != qint64(size)) {
        callbackError = HttpError::Refused;
        return 0;
    }
    received += qint64(size);
    if (options && options->onProgress)
        options->onProgress(received);
    return size;
}

CURLcode HttpClient::Impl::runTransfer() {
    using Clock = std::chrono::steady_clock;
    const bool dispatch = onApplicationThread();
    auto nextDispatch = Clock::now() + dispatchInterval;
    curl_multi_add_handle(multi, easy);
    int running = 0;
    bool aborted = false;
    CURLMcode state = CURLM_OK;
    for (;;) {
        state = curl_multi_perform(multi, &running);
        if (state != CURLM_OK || running == 0)
            break;
        if (givenUp()) {
            aborted = true;
            break;
        }
        int waitMs = kWorkerPollMs;
        if (dispatch) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextDispatch - Clock::now());
            waitMs = int(std::clamp<qint64>(left.count(), 0, kWorkerPollMs));
        }
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        if (dispatch && Clock::now() >= nextDispatch) {
            platform::dispatchPendingEvents();
            nextDispatch = Clock::now() + dispatchInterval;
        }
    }
    CURLcode result = aborted ? CURLE_ABORTED_BY_CALLBACK : CURLE_FAILED_INIT;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && !aborted)
            result = message->data.result;
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

HttpResult HttpClient::Impl::perform(const QByteArray& url, bool headOnly, long timeoutMs, const HeaderList& headers) {
    head = HttpResponseHead();
    headJudged = false;
    received = 0;
    callbackError = HttpError::None;
    errorBuffer[0] = '\0';
    if (disconnected)
        return {.error = HttpError::Aborted, .message = QStringLiteral("disconnected")};
    if (cancel.isCancelled())
        return {.error = HttpError::Aborted, .message = QStringLiteral("cancelled")};

    setRequestUrl(easy, url);
    if (headOnly)
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    else
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());

    const CURLcode code = runTransfer();

    HttpResult result;
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    result.status = int(status);
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    result.contentLength = length;
    result.byteRanges = head.header("accept-ranges").toLower().split(',').contains("bytes");
    if (code == CURLE_OK)
        return result;
    result.message = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    if (callbackError == HttpError::Status)
        result.message.clear(); // libcurl only saw the transfer refused; the status says it all
    if (callbackError != HttpError::None)
        result.error = callbackError;
    else if (givenUp())
        result.error = HttpError::Aborted;
    else
        result.error = errorOf(code, status);
    if (result.error == HttpError::Connect) {
        long systemError = 0;
        curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &systemError);
        result.systemError = int(systemError);
    }
    return result;
}

HttpClient::HttpClient(QByteArray userAgent) : m_impl(std::make_unique<Impl>()) {
    initialiseCurl();

    Impl& d = *m_impl;
    d.multi = curl_multi_init();
    d.easy = curl_easy_init();
    setCommonOptions(d.easy, userAgent, false);
    curl_easy_setopt(d.easy, CURLOPT_ERRORBUFFER, d.errorBuffer);
    curl_easy_setopt(d.easy, CURLOPT_HEADERFUNCTION, &Impl::onHeader);
    curl_easy_setopt(d.easy, CURLOPT_HEADERDATA, &d);
    curl_easy_setopt(d.easy, CURLOPT_WRITEFUNCTION, &Impl::onBody);
    curl_easy_setopt(d.easy, CURLOPT_WRITEDATA, &d);
    curl_easy_setopt(d.easy, CURLOPT_OPENSOCKETFUNCTION, &Impl::onOpenSocket);
    curl_easy_setopt(d.easy, CURLOPT_OPENSOCKETDATA, &d);
    curl_easy_setopt(d.easy, CURLOPT_CLOSESOCKETFUNCTION, &Impl::onCloseSocket);
    curl_easy_setopt(d.easy, CURLOPT_CLOSESOCKETDATA, &d);
}

HttpClient::~HttpClient() {
    // The kept connection is closed by the multi handle, through onCloseSocket.
    curl_easy_cleanup(m_impl->easy);
    curl_multi_cleanup(m_impl->multi);
}

HttpResult HttpClient::head(const QString& url) {
    m_impl->sink = nullptr;
    m_impl->options = nullptr;
    return m_impl->perform(requestUrl(url), true, 0, HeaderList({}));
}

HttpResult HttpClient::probe(const QString& url, std::chrono::milliseconds timeout) {
    m_impl->sink = nullptr;
    m_impl->options = nullptr;
    return m_impl->perform(requestUrl(url), true, long(std::max<qint64>(1, timeout.count())), HeaderList({}));
}

HttpResult HttpClient::get(const QString& url, QIODevice& sink, const HttpGetOptions& options) {
    m_impl->sink = &sink;
    m_impl->options = &options;
    const HttpResult result = m_impl->perform(requestUrl(url), false, 0, HeaderList(options.headerLines));
    m_impl->sink = nullptr;
    m_impl->options = nullptr;
    return result;
}

void HttpClient::disconnect() {
    Impl& d = *m_impl;
    const std::lock_guard lock(d.socketMutex);
    d.disconnected = true;
    for (const curl_socket_t socket : d.sockets)
        platform::shutdownSocket(socket);
    curl_multi_wakeup(d.multi);
}

void HttpClient::clearDisconnect() {
    m_impl->disconnected = false;
}

void HttpClient::setDispatchInterval(std::chrono::milliseconds interval) {
    m_impl->dispatchInterval = interval;
}

void HttpClient::setCancelToken(platform::CancelToken cancel) {
    m_impl->cancel = std::move(cancel);
}

QByteArray HttpClient::requestUrl(const QString& url) {
    QString address = url;
    qsizetype end = address.size();
    for (const QChar stop : {u'?', u'#'}) {
        const qsizetype at = address.indexOf(stop);
        if (at >= 0)
            end = std::min(end, at);
    }
    for (qsizetype i = 0; i < end; ++i) {
        if (address[i] == u'\\')
            address[i] = u'/';
    }
    return address.toUtf8();
}

QString HttpClient::caFileFromEnvironment() {
    for (const char* name : {"SSL_CERT_FILE", "CURL_CA_BUNDLE"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

} // namespace kaldoria::net
