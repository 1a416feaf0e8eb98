#pragma once

#include "trust/Result.h"
#include "trust/Sha256.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kaldoria::chunks {

// The folder of chunks a server serves: each chunk once, named by the SHA-256 of its bytes,
// compressed (ChunkCodec), at "ab/<64 hex digits>.zst" where "ab" are the digest's first two
// digits. A chunk is written once and never again: the same name always holds the same bytes.
class ChunkStore {
public:
    // The store's folder name beside the archives in a server folder.
    static constexpr char kFolderName[] = "chunks";

    explicit ChunkStore(QString folder) : m_folder(std::move(folder)) {}

    // "ab/<hex>.zst": where a chunk lies below the store's folder, also below its address.
    static QString relativePath(const trust::Sha256Digest& digest);
    QString path(const trust::Sha256Digest& digest) const;
    bool contains(const trust::Sha256Digest& digest) const;

    // Stores `bytes`, whose SHA-256 is `digest`, unless the store holds them already; gives
    // whether they were written. Written to a temporary file that is renamed into place once
    // on disk, so a name never shows a partial chunk.
    trust::Result<bool> put(const trust::Sha256Digest& digest, QByteArrayView bytes) const;
    // The chunk's bytes, checked against its name; the reason when missing or damaged.
    trust::Result<QByteArray> get(const trust::Sha256Digest& digest) const;

private:
    QString m_folder;
};

} // namespace kaldoria::chunks
