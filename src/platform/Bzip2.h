#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace kaldoria::platform {

// Decompresses one bzip2 stream (libbz2) from a device or a byte array into a device.
// Used for the configuration package, the settings data file and the packed file list.
class Bzip2 {
public:
    enum class Status {
        Ok,
        BadData,       // not bzip2, or damaged (checksum, block structure)
        UnexpectedEnd, // the source ended before the end-of-stream marker
        TooLarge,      // the output would pass the caller's cap
        ReadFailed,
        WriteFailed,
        OutOfMemory,
    };

    struct Result {
        Status status = Status::Ok;
        qint64 bytesWritten = 0;
        // WriteFailed: the system's error number of the failed write (ENOSPC: the disk is full).
        int systemError = 0;
        bool ok() const { return status == Status::Ok; }
        // A short English description of the status, for logs and error reports.
        QString message() const;
    };

    static constexpr qint64 kNoLimit = -1;
    // The size of each write to the target.
    static constexpr qint64 kChunkSize = 65536;

    // Decompresses the bzip2 stream that starts at `source`'s current position and writes the
    // result at `target`'s current position, in chunks of kChunkSize bytes. Stops at the end of the first
    // stream; a random-access source is left positioned just after it. With `outputLimit` >= 0,
    // decompression stops with TooLarge as soon as more than that many bytes would be written
    // (at most `outputLimit` bytes reach `target`).
    static Result decompress(QIODevice& source, QIODevice& target, qint64 outputLimit = kNoLimit);
    static Result decompress(const QByteArray& source, QIODevice& target, qint64 outputLimit = kNoLimit);
};

} // namespace kaldoria::platform
