#pragma once

#include <QString>
#include <QtGlobal>

namespace kaldoria::net {

enum class HttpError {
    None,
    Connect,     // the server could not be reached (refused, unknown host)
    Status,      // the answer's status lies outside 2xx, or a redirect was not followed
    Refused,     // the caller refused the answer's head, or the sink took no more bytes
    Aborted,     // disconnect() or a terminate request cut the request
    TimedOut,    // a probe's time-out ran out
    Certificate, // the server's certificate is not trusted or does not name the host
    Transfer,    // anything else: the connection broke, the body fell short, TLS failed
};

// Outcome of one request. A failure is a value; nothing is thrown.
struct HttpResult {
    HttpError error = HttpError::None;
    int status = 0;            // HTTP status of the final answer; 0 when none arrived
    qint64 contentLength = -1; // Content-Length of the answer; -1 when absent
    bool byteRanges = false;   // the answer offered byte ranges ("Accept-Ranges: bytes")
    int systemError = 0;       // the system's error number of a failed connect; 0 when none
    QString message;           // libcurl's description of a failure, for logs

    bool ok() const { return error == HttpError::None; }
};

} // namespace kaldoria::net
