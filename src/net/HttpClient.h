#pragma once

#include "net/HttpResponseHead.h"
#include "net/HttpResult.h"

#include "platform/CancelToken.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QIODevice;

namespace kaldoria::net {

// The user agent every request of the launcher sends.
inline constexpr char kUserAgent[] = "Opera/9.80 (Windows NT 6.2; WOW64) Presto/2.12.388 Version/12.16";

struct HttpGetOptions {
    // Extra request header lines, each "Name: value".
    QList<QByteArray> headerLines;
    // Called on the requesting thread after every chunk written, with the cumulative count of
    // body bytes of this request.
    std::function<void(qint64)> onProgress;
    // Called once the answer's head is complete and its status is 2xx; returning false
    // refuses the answer before any of its body is written (HttpError::Refused).
    std::function<bool(const HttpResponseHead&)> acceptHead;
};

// HTTP and HTTPS requests over libcurl: HEAD for a length, GET into a stream. One client is
// used by one thread at a time; only disconnect() may be called from another thread.
//
// A request has no time-out (a probe's time-out excepted). It follows up to five redirects
// (301, 302, 303, 307, 308) within its own scheme or from http to https, never from https to
// http; a redirect that is not followed is a failure with its 3xx status. An answer whose
// final status lies outside 2xx is a failure and its body is never written. HTTPS verifies
// the server's certificate and host name, against the file named by SSL_CERT_FILE or
// CURL_CA_BUNDLE when one is set. The connection is kept open between requests of the same
// client when the server allows it.
//
// A request made on the thread of the application object keeps that thread's events
// dispatched every dispatch interval (250 ms) while it waits on the network. A request fails
// with HttpError::Aborted when the client's cancel token is cancelled before or while it
// waits.
class HttpClient {
public:
    explicit HttpClient(QByteArray userAgent = kUserAgent);
    ~HttpClient();

    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // HEAD of `url`; contentLength of the result is the announced length or -1.
    HttpResult head(const QString& url);

    // HEAD of `url` that gives up after `timeout` (HttpError::TimedOut).
    HttpResult probe(const QString& url, std::chrono::milliseconds timeout);

    // GET of `url`, the body written into `sink` at its current position as it arrives.
    HttpResult get(const QString& url, QIODevice& sink, const HttpGetOptions& options = {});

    // Callable from any thread: cuts the connection, and the request in progress fails at
    // once (HttpError::Aborted). Requests keep failing until clearDisconnect().
    void disconnect();
    void clearDisconnect();

    void setDispatchInterval(std::chrono::milliseconds interval);
    // The token that gives requests up; by default one that is never cancelled.
    void setCancelToken(platform::CancelToken cancel);

    // The address as sent: every "\" before the first "?" or "#" becomes "/".
    static QByteArray requestUrl(const QString& url);

    // The certificate authority file named by SSL_CERT_FILE, else by CURL_CA_BUNDLE; empty
    // when neither is set.
    static QString caFileFromEnvironment();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace kaldoria::net
