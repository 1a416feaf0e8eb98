#include "chunks/ChunkHasher.h"

namespace kaldoria::chunks {

ChunkHasher::~ChunkHasher() {
    if (m_inFlight.valid())
        m_inFlight.wait();
}

void ChunkHasher::add(QByteArrayView bytes) {
    if (m_filling.bytes.capacity() < kBatchSize)
        m_filling.bytes.reserve(kBatchSize);
    m_filling.bytes.append(bytes.data(), bytes.size());
    m_filling.lengths.push_back(bytes.size());
    if (m_filling.bytes.size() >= kBatchSize)
        submit();
}

std::vector<trust::Sha256Digest> ChunkHasher::finish() {
    submit();
    collect();
    return std::move(m_digests);
}

std::vector<trust::Sha256Digest> ChunkHasher::digestsOf(const Batch& batch) {
    std::vector<trust::Sha256Digest> digests;
    digests.reserve(batch.lengths.size());
    qsizetype at = 0;
    for (const qsizetype length : batch.lengths) {
        digests.push_back(trust::Sha256::of(QByteArrayView(batch.bytes).sliced(at, length)));
        at += length;
    }
    return digests;
}

void ChunkHasher::submit() {
    collect();
    std::swap(m_hashing, m_filling);
    // The batch hashed before keeps its room for the next: no fresh memory per batch.
    m_filling.bytes.resize(0);
    m_filling.lengths.clear();
    m_inFlight = std::async(std::launch::async, [this] { return digestsOf(m_hashing); });
}

void ChunkHasher::collect() {
    if (!m_inFlight.valid())
        return;
    const std::vector<trust::Sha256Digest> digests = m_inFlight.get();
    m_digests.insert(m_digests.end(), digests.begin(), digests.end());
}

} // namespace kaldoria::chunks
