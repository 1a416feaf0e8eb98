#pragma once

#include "update/chunkpatch/ChunkPlan.h"

#include "chunks/ChunkHasher.h"
#include "download/DigestWorker.h"
#include "platform/RandomAccessFile.h"
#include "trust/Sha256.h"

#include <QFile>
#include <QString>

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kaldoria::update {

// Writes a file from its chunks in index order, under a temporary name beside the file it
// replaces, as soon as each chunk is at hand: read from the old local copy, or decoded from
// its fetched, compressed form (checked against its SHA-256 before a byte of it is written).
// Chunks may arrive in any order; the file grows while the rest are still on their way, and its
// owner is told when no later place of the file needs a fetched chunk. The written bytes
// are hashed on a thread of their own as they reach the file, so the whole file is judged
// without a pass of its own after the last chunk.
class ChunkAssembly {
public:
    // How far advance() came.
    struct Step {
        enum class State { Waiting, Complete, BadChunk, Failed };
        State state = State::Waiting;
        QString reason{};
        trust::Sha256Digest chunk{}; // the chunk whose fetched form is bad, for BadChunk
    };
    // The file that holds a fetched chunk's compressed form, or empty while it has not arrived.
    using StoredChunk = std::function<QString(const trust::Sha256Digest& digest)>;
    // Called once the file needs a fetched chunk no more.
    using ChunkUsed = std::function<void(const trust::Sha256Digest& digest)>;
    // The digest of the complete file: the MD5 digest string, or the SHA-256; or why there is none.
    struct Digest {
        QString md5{};
        std::optional<trust::Sha256Digest> sha256{};
        QString failure{};
    };

    // `local` is the old copy `plan` reuses chunks of (it may be the target itself); `kind`
    // is the digest the whole file is judged by. Without one, the index's own MD5 (found equal
    // to the list's) vouches for the file its chunks make: every fetched chunk is checked as it
    // is decoded, and the chunks copied from the old copy are hashed again (SHA-256, on a second
    // thread) to make sure the copy did not change since it was cut.
    ChunkAssembly(const chunks::ChunkIndex& index, const ChunkPlan& plan, QString local, QString target,
                  std::optional<download::FileDigest> kind, ChunkUsed used);
    // Removes the temporary file unless it was committed.
    ~ChunkAssembly();

    ChunkAssembly(const ChunkAssembly&) = delete;
    ChunkAssembly& operator=(const ChunkAssembly&) = delete;

    // Creates the temporary file with room for the whole file; the reason when it cannot.
    QString open();
    // Writes the chunks from the first one not yet written on, while each is at hand. A
    // fetched form that is not the chunk it is named after gives BadChunk and is removed; the
    // chunk is then waited for again.
    Step advance(const StoredChunk& stored);

    // Once Complete: the file's digest, when the hashing has caught up with the writes.
    Digest digest();

    // Puts the complete file on disk, then renames it over the target (keeping the target's
    // permission to run when it had one); the reason when it cannot.
    QString commit();

private:
    // Removes the fetched form at `path`, which is not `chunk`, and says why.
    static Step badChunk(const chunks::ChunkEntry& chunk, const QString& path, const QString& reason);
    Step write(QByteArrayView bytes);

    const chunks::ChunkIndex& m_index;
    const ChunkPlan& m_plan;
    const QString m_target;
    const QString m_temporary;
    const std::optional<download::FileDigest> m_kind;
    const ChunkUsed m_used;
    QFile m_local;
    QByteArray m_copyBuffer; // a chunk of the local file on its way to the new one
    std::shared_ptr<platform::RandomAccessFile> m_out;
    qint64 m_written = 0;
    qint64 m_writebackFrom = 0; // the first byte written whose writeback has not been started
    std::promise<Digest> m_digestPromise;
    std::optional<download::DigestWorker> m_hasher;
    chunks::ChunkHasher m_reusedCheck;
    std::vector<trust::Sha256Digest> m_reusedDigests;
    // For every chunk to fetch, how many places of the file still need it.
    std::map<trust::Sha256Digest, int> m_usesLeft;
    size_t m_next = 0;
    bool m_committed = false;
};

} // namespace kaldoria::update
