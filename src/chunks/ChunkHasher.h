#pragma once

#include "trust/Sha256.h"

#include <QByteArray>
#include <QByteArrayView>

#include <future>
#include <vector>

namespace kaldoria::chunks {

// Computes the SHA-256 of chunks on a second thread while the caller cuts the next ones, so
// that cutting a file costs about the time of hashing it, not the sum of both. Chunks are
// gathered into batches of a few MiB; one batch is hashed while the next one fills.
class ChunkHasher {
public:
    static constexpr qsizetype kBatchSize = 8 * 1024 * 1024;

    // Waits for the batch in flight.
    ~ChunkHasher();

    // A chunk's bytes, copied; valid only during the call.
    void add(QByteArrayView bytes);
    // The digests of every chunk added, in order.
    std::vector<trust::Sha256Digest> finish();

private:
    struct Batch {
        QByteArray bytes;
        std::vector<qsizetype> lengths;
    };

    static std::vector<trust::Sha256Digest> digestsOf(const Batch& batch);
    void submit();
    void collect();

    Batch m_filling;
    Batch m_hashing;
    std::future<std::vector<trust::Sha256Digest>> m_inFlight;
    std::vector<trust::Sha256Digest> m_digests;
};

} // namespace kaldoria::chunks
