#pragma once

#include <QString>
#include <QtGlobal>

namespace kaldoria::net {
struct HttpResult;
}

namespace kaldoria::download {

// Why a download failed, kept as a value until a log or a terminal shows it.
struct DownloadFailure {
    enum class Kind {
        None,        // no failure
        HttpStatus,  // the server answered with an error status, or a redirect that was not followed
        Connect,     // the server could not be reached
        Certificate, // the server's TLS certificate is not trusted or does not name the host
        Transfer,    // the connection broke, the body fell short or did not match the range
        DiskFull,    // the target did not fit on its disk
        LocalFile,   // the target could not be created or written for another reason
        Aborted,     // the download was cut by a stop or a terminate request
    };

    Kind kind = Kind::None;
    int httpStatus = 0;     // the server's status when an answer arrived; 0 otherwise
    qint64 bytesNeeded = 0; // DiskFull: the bytes the download still needed on the disk
    qint64 bytesFree = 0;   // DiskFull: the bytes free on that disk
    int systemError = 0;    // the system's error number (refused connect, failed write); 0 when none
    QString message;        // libcurl's or the system's description; may be empty

    // The failure of a request, from what the HTTP client reported.
    static DownloadFailure fromRequest(const net::HttpResult& result);
    // A failed write or create of a local file, from its system error number.
    static DownloadFailure fromWriteError(int error, qint64 bytesNeeded, qint64 bytesFree);
    static DownloadFailure transfer(const QString& message);

    // One English line for a log or a terminal, e.g. "HTTP status 404" or
    // "disk full: 12.0 MiB needed, 3.1 MiB free".
    QString describe() const;
};

} // namespace kaldoria::download
