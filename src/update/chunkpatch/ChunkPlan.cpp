#include "update/chunkpatch/ChunkPlan.h"

#include <set>

namespace kaldoria::update {

ChunkPlan::ChunkPlan(const chunks::ChunkIndex& wanted, const chunks::ChunkIndex& local) {
    const std::vector<qint64> offsets = local.offsets();
    for (size_t i = 0; i < local.chunks().size(); ++i)
        m_local.emplace(local.chunks()[i].digest, offsets[i]);
    std::set<trust::Sha256Digest> planned;
    for (const chunks::ChunkEntry& chunk : wanted.chunks()) {
        if (m_local.contains(chunk.digest)) {
            m_bytesReused += chunk.length;
        } else if (planned.insert(chunk.digest).second) {
            m_toFetch.push_back(chunk);
            m_bytesToFetch += chunk.length;
        }
    }
}

std::optional<qint64> ChunkPlan::localOffset(const trust::Sha256Digest& digest) const {
    const auto found = m_local.find(digest);
    return found == m_local.end() ? std::nullopt : std::optional(found->second);
}

} // namespace kaldoria::update
