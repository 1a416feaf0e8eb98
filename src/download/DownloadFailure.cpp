#include "download/DownloadFailure.h"

#include "net/HttpResult.h"

#include <cerrno>
#include <cstring>

namespace kaldoria::download {

namespace {

QString mebibytes(qint64 bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MiB");
}

// The system's text for an error number, starting in lower case to fit inside a line.
QString systemText(int error) {
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// `lead`, followed by the detail when there is one.
QString withDetail(const QString& lead, const QString& detail) {
    return detail.isEmpty() ? lead : lead + QStringLiteral(": ") + detail;
}

} // namespace

DownloadFailure DownloadFailure::fromRequest(const net::HttpResult& result) {
    DownloadFailure failure;
    failure.httpStatus = result.status;
    failure.message = result.message;
    switch (result.error) {
    case net::HttpError::None:
        break;
    case net::HttpError::Status:
        failure.kind = Kind::HttpStatus;
        break;
    case net::HttpError::Connect:
        failure.kind = Kind::Connect;
        failure.systemError = result.systemError;
        break;
    case net::HttpError::Certificate:
        failure.kind = Kind::Certificate;
        break;
    case net::HttpError::Aborted:
        failure.kind = Kind::Aborted;
        break;
    case net::HttpError::Refused:
    case net::HttpError::TimedOut:
    case net::HttpError::Transfer:
        failure.kind = Kind::Transfer;
        break;
    }
    return failure;
}

DownloadFailure DownloadFailure::fromWriteError(int error, qint64 bytesNeeded, qint64 bytesFree) {
    DownloadFailure failure;
    failure.systemError = error;
    failure.message = systemText(error);
    if (error == ENOSPC) {
        failure.kind = Kind::DiskFull;
        failure.bytesNeeded = bytesNeeded;
        failure.bytesFree = bytesFree;
    } else {
        failure.kind = Kind::LocalFile;
    }
    return failure;
}

DownloadFailure DownloadFailure::transfer(const QString& message) {
    DownloadFailure failure;
    failure.kind = Kind::Transfer;
    failure.message = message;
    return failure;
}

QString DownloadFailure::describe() const {
    switch (kind) {
    case Kind::None:
        return QStringLiteral("no failure");
    case Kind::HttpStatus:
        return withDetail(QStringLiteral("HTTP status ") + QString::number(httpStatus), message);
    case Kind::Connect:
        if (systemError != 0)
            return withDetail(systemText(systemError), message);
        return withDetail(QStringLiteral("cannot connect"), message);
    case Kind::Certificate:
        return withDetail(QStringLiteral("certificate not trusted"), message);
    case Kind::Transfer:
        return withDetail(QStringLiteral("transfer failed"), message);
    case Kind::DiskFull:
        return QStringLiteral("disk full: ") + mebibytes(bytesNeeded) + QStringLiteral(" needed, ") +
               mebibytes(bytesFree) + QStringLiteral(" free");
    case Kind::LocalFile:
        return withDetail(QStringLiteral("cannot write the file"), message);
    case Kind::Aborted:
        return withDetail(QStringLiteral("aborted"), message);
    }
    return {};
}

} // namespace kaldoria::download
