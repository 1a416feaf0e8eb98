#include "net/CurlRequest.h"

#include "net/HttpClient.h"

#include <mutex>

namespace kaldoria::net {

namespace {

// Large reads keep the per-chunk work (one write, one progress call) small on fast lines.
constexpr long kReceiveBufferBytes = 256 * 1024;
constexpr long kMaxRedirects = 5;

} // namespace

void initialiseCurl() {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void setCommonOptions(CURL* easy, const QByteArray& userAgent, bool http2) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.constData()); // libcurl copies strings
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(http2 ? CURL_HTTP_VERSION_2TLS : CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_0));
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    const QString caFile = HttpClient::caFileFromEnvironment();
    if (!caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.toLocal8Bit().constData());
}

void setRequestUrl(CURL* easy, const QByteArray& url) {
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, url.left(6).toLower() == "https:" ? "https" : "http,https");
}

bool isFollowedRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

HttpError errorOf(CURLcode code, long status) {
    switch (code) {
    case CURLE_OK:
        return HttpError::None;
    case CURLE_ABORTED_BY_CALLBACK:
        return HttpError::Aborted;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpError::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return HttpError::Certificate;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpError::Status; // a redirect not followed
    case CURLE_UNSUPPORTED_PROTOCOL:
        return status >= 300 && status < 400 ? HttpError::Status : HttpError::Transfer;
    default:
        return HttpError::Transfer;
    }
}

} // namespace kaldoria::net
