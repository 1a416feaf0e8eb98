#pragma once

#include "trust/Result.h"
#include "trust/Sha256.h"

#include <QByteArray>
#include <QByteArrayView>

namespace kaldoria::chunks {

// A chunk's stored form: one zstd frame holding the chunk's bytes.
class ChunkCodec {
public:
    // Strong enough to matter on a publisher that compresses each chunk once, fast enough
    // for clients of many GiB.
    static constexpr int kLevel = 9;

    static trust::Result<QByteArray> encode(QByteArrayView bytes);
    // The most bytes the stored form of any chunk takes: zstd's bound for FastCdc::kMaxSize.
    // A fetched chunk that is longer is not read.
    static qint64 maxStoredSize();
    // The chunk held by `stored`, accepted only when its SHA-256 is `digest`: the reason
    // when it does not decompress, would exceed FastCdc::kMaxSize or holds other bytes.
    static trust::Result<QByteArray> decode(QByteArrayView stored, const trust::Sha256Digest& digest);
};

} // namespace kaldoria::chunks
