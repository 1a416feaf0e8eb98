#pragma once

#include "chunks/ChunkIndex.h"

#include <map>
#include <optional>
#include <vector>

namespace kaldoria::update {

// How a file is built from the chunks of its new index: the chunks its old local copy
// already holds are read from there, the others are fetched, each once however often the
// file repeats it.
class ChunkPlan {
public:
    // `wanted` is the new file's index, `local` the index of the old local copy (empty when
    // there is none).
    ChunkPlan(const chunks::ChunkIndex& wanted, const chunks::ChunkIndex& local);

    // Where the old local copy holds the chunk, if it does.
    std::optional<qint64> localOffset(const trust::Sha256Digest& digest) const;
    // The chunks to fetch, each once, in the order the new file first needs them.
    const std::vector<chunks::ChunkEntry>& toFetch() const { return m_toFetch; }
    // The bytes of the chunks to fetch (as the new file holds them, before compression).
    qint64 bytesToFetch() const { return m_bytesToFetch; }
    // The bytes of the new file that come from the old local copy.
    qint64 bytesReused() const { return m_bytesReused; }

private:
    std::map<trust::Sha256Digest, qint64> m_local;
    std::vector<chunks::ChunkEntry> m_toFetch;
    qint64 m_bytesToFetch = 0;
    qint64 m_bytesReused = 0;
};

} // namespace kaldoria::update
