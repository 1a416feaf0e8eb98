#pragma once

#include "update/chunkpatch/ChunkPlan.h"

#include "filelist/TMD5.h"
#include "trust/Sha256.h"

#include <QFile>
#include <QString>

#include <functional>
#include <map>
#include <optional>

namespace kaldoria::update {

// Writes a file from its chunks in index order, under a temporary name beside the file it
// replaces, as soon as each chunk is at hand: read from the old local copy, or decoded from
// its fetched, compressed form (checked against its SHA-256 before a byte of it is written).
// Chunks may arrive in any order; the file grows while the rest are still on their way, and a
// fetched chunk's file is removed once no later chunk of the file needs it. The written bytes
// are hashed on the way, so the whole file is judged without reading it again.
class ChunkAssembly {
public:
    // How far advance() came.
    struct Step {
        enum class State { Waiting, Complete, BadChunk, Failed };
        State state = State::Waiting;
        QString reason{};
        trust::Sha256Digest chunk{}; // the chunk whose fetched form is bad, for BadChunk
        bool diskFull = false;
    };
    // The file that holds a fetched chunk's compressed form, or empty while it has not arrived.
    using StoredChunk = std::function<QString(const trust::Sha256Digest& digest)>;

    // `local` is the old copy `plan` reuses chunks of (it may be the target itself).
    ChunkAssembly(chunks::ChunkIndex index, const ChunkPlan& plan, QString local, QString target, bool withSha256);
    // Removes the temporary file unless it was committed.
    ~ChunkAssembly();

    ChunkAssembly(const ChunkAssembly&) = delete;
    ChunkAssembly& operator=(const ChunkAssembly&) = delete;

    // Creates the temporary file; the reason when it cannot.
    QString open();
    // Writes the chunks from the first one not yet written on, while each is at hand. A
    // fetched form that is not the chunk it is named after gives BadChunk and is removed; the
    // chunk is then waited for again.
    Step advance(const StoredChunk& stored);

    // Once Complete: the MD5 digest string and, when asked for, the SHA-256 of the file.
    QString md5() const { return m_md5.DigestStr(); }
    std::optional<trust::Sha256Digest> sha256() { return m_sha256 ? std::optional(m_sha256->finish()) : std::nullopt; }

    // Puts the complete file on disk, then renames it over the target (keeping the target's
    // permission to run when it had one); the reason when it cannot.
    QString commit();

private:
    Step write(QByteArrayView bytes);
    Step failed(const QString& reason, bool diskFull = false) const;

    const chunks::ChunkIndex m_index;
    const ChunkPlan& m_plan;
    const QString m_target;
    const QString m_temporary;
    QFile m_local;
    QFile m_out;
    filelist::TMD5 m_md5;
    std::optional<trust::Sha256> m_sha256;
    // For every chunk to fetch, how many places of the file still need it.
    std::map<trust::Sha256Digest, int> m_usesLeft;
    size_t m_next = 0;
    bool m_committed = false;
};

} // namespace kaldoria::update
