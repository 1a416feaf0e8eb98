#include "chunks/ChunkCodec.h"

#include "chunks/FastCdc.h"

#include <zstd.h>

namespace kaldoria::chunks {

using trust::Result;

Result<QByteArray> ChunkCodec::encode(QByteArrayView bytes) {
    QByteArray stored(qsizetype(ZSTD_compressBound(std::size_t(bytes.size()))), Qt::Uninitialized);
    const std::size_t written =
        ZSTD_compress(stored.data(), std::size_t(stored.size()), bytes.data(), std::size_t(bytes.size()), kLevel);
    if (ZSTD_isError(written))
        return Result<QByteArray>::failure(QStringLiteral("zstd: ") + QString::fromLatin1(ZSTD_getErrorName(written)));
    stored.truncate(qsizetype(written));
    return stored;
}

qint64 ChunkCodec::maxStoredSize() {
    return qint64(ZSTD_compressBound(FastCdc::kMaxSize));
}

Result<QByteArray> ChunkCodec::decode(QByteArrayView stored, const trust::Sha256Digest& digest) {
    // Never more room than the longest chunk, whatever the frame claims to hold.
    QByteArray bytes(qsizetype(FastCdc::kMaxSize), Qt::Uninitialized);
    const std::size_t size =
        ZSTD_decompress(bytes.data(), std::size_t(bytes.size()), stored.data(), std::size_t(stored.size()));
    if (ZSTD_isError(size))
        return Result<QByteArray>::failure(
            QStringLiteral("chunk %1 does not decompress: %2")
                .arg(trust::toHex(digest), QString::fromLatin1(ZSTD_getErrorName(size))));
    bytes.truncate(qsizetype(size));
    if (trust::Sha256::of(bytes) != digest)
        return Result<QByteArray>::failure(QStringLiteral("chunk %1 holds other bytes").arg(trust::toHex(digest)));
    return bytes;
}

} // namespace kaldoria::chunks
