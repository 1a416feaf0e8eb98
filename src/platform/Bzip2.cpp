#include "Bzip2.h"

#include <QBuffer>

#include <bzlib.h>

#include <cerrno>
#include <memory>

namespace kaldoria::platform {

namespace {

constexpr qint64 kChunk = Bzip2::kChunkSize;

struct StreamDeleter {
    void operator()(bz_stream* stream) const {
        BZ2_bzDecompressEnd(stream);
        delete stream;
    }
};

Bzip2::Status statusOf(int bzCode) {
    switch (bzCode) {
    case BZ_MEM_ERROR:
        return Bzip2::Status::OutOfMemory;
    default:
        return Bzip2::Status::BadData;
    }
}

} // namespace

QString Bzip2::Result::message() const {
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::BadData:
        return QStringLiteral("bzip2 data error");
    case Status::UnexpectedEnd:
        return QStringLiteral("bzip2 stream ends unexpectedly");
    case Status::TooLarge:
        return QStringLiteral("bzip2 output exceeds the size limit");
    case Status::ReadFailed:
        return QStringLiteral("cannot read the bzip2 source");
    case Status::WriteFailed:
        return QStringLiteral("cannot write the decompressed data");
    case Status::OutOfMemory:
        return QStringLiteral("out of memory while decompressing");
    }
    return {};
}

Bzip2::Result Bzip2::decompress(QIODevice& source, QIODevice& target, qint64 outputLimit) {
    Result result;
    std::unique_ptr<bz_stream, StreamDeleter> stream(new bz_stream{});
    if (const int rc = BZ2_bzDecompressInit(stream.get(), 0, 0); rc != BZ_OK) {
        // Nothing to end when the initialisation failed.
        delete stream.release();
        result.status = statusOf(rc);
        return result;
    }

    QByteArray in(kChunk, Qt::Uninitialized);
    QByteArray out(kChunk, Qt::Uninitialized);
    bool sourceEnded = false;
    for (;;) {
        if (stream->avail_in == 0 && !sourceEnded) {
            const qint64 got = source.read(in.data(), kChunk);
            if (got < 0) {
                result.status = Status::ReadFailed;
                return result;
            }
            sourceEnded = got == 0;
            stream->next_in = in.data();
            stream->avail_in = static_cast<unsigned>(got);
        }
        stream->next_out = out.data();
        stream->avail_out = static_cast<unsigned>(kChunk);
        const int rc = BZ2_bzDecompress(stream.get());
        if (rc != BZ_OK && rc != BZ_STREAM_END) {
            result.status = statusOf(rc);
            return result;
        }
        const qint64 produced = kChunk - stream->avail_out;
        if (outputLimit >= 0 && result.bytesWritten + produced > outputLimit) {
            const qint64 room = outputLimit - result.bytesWritten;
            if (room > 0 && target.write(out.constData(), room) == room)
                result.bytesWritten += room;
            result.status = Status::TooLarge;
            return result;
        }
        if (produced > 0 && target.write(out.constData(), produced) != produced) {
            result.status = Status::WriteFailed;
            result.systemError = errno;
            return result;
        }
        result.bytesWritten += produced;
        if (rc == BZ_STREAM_END) {
            // Hand the bytes read beyond the stream back to a random-access source.
            if (!source.isSequential() && stream->avail_in > 0)
                source.seek(source.pos() - stream->avail_in);
            return result;
        }
        if (sourceEnded && stream->avail_in == 0 && produced == 0) {
            result.status = Status::UnexpectedEnd;
            return result;
        }
    }
}

Bzip2::Result Bzip2::decompress(const QByteArray& source, QIODevice& target, qint64 outputLimit) {
    QBuffer buffer;
    buffer.setData(source);
    buffer.open(QIODevice::ReadOnly);
    return decompress(buffer, target, outputLimit);
}

} // namespace kaldoria::platform
