#pragma once

#include "chunks/ChunkIndex.h"
#include "chunks/ChunkStore.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kaldoria::pack {

// Writes what launchers need to fetch only the changed parts of a file: every client file
// cut into chunks, each chunk stored once in the server folder's chunk store, and the file's
// chunk index beside its archive ("PATH.kdc"). Counts what was new and what a player of the
// version published before would fetch, comparing each file's new index with the one an
// earlier publication left in the folder.
class ChunkPublisher {
public:
    explicit ChunkPublisher(const QString& server);

    // Publishes the chunks and the index of the client file `file`, listed at `relative`
    // below the client folder; `archiveSize` is the size of its archive, for comparison.
    // The error message, or empty on success.
    QString publish(const QString& file, const QString& relative, qint64 archiveSize);

    // What was written and what players will fetch, as lines for the operator.
    QStringList summary() const;
    // What the operator should look at: earlier indexes that could not be read.
    const QStringList& warnings() const { return m_warnings; }

    // Where the index of the client file at `relative` lies in `server`.
    static QString indexPath(const QString& server, const QString& relative);
    // Removes the indexes of the client files at `relatives` that an earlier publication
    // left in `server`; they no longer describe the files. Gives how many were removed.
    static int removeIndexes(const QString& server, const QStringList& relatives);

private:
    std::optional<chunks::ChunkIndex> previousIndex(const QString& path, const QString& relative);
    void countFetch(const chunks::ChunkIndex& index, const std::optional<chunks::ChunkIndex>& previous,
                    qint64 indexSize, qint64 archiveSize);

    QString m_server;
    chunks::ChunkStore m_store;
    QStringList m_warnings;

    int m_files = 0;
    qint64 m_chunks = 0;
    qint64 m_newChunks = 0;
    qint64 m_newStoredBytes = 0;
    int m_previousIndexes = 0;
    // What a player of the previous version fetches: the chunks of changed files that their
    // previous version lacks, stored (compressed) as served, and the new indexes of those files.
    int m_changedFiles = 0;
    qint64 m_fetchChunks = 0;
    qint64 m_fetchChunkBytes = 0;
    qint64 m_fetchIndexBytes = 0;
    qint64 m_changedArchiveBytes = 0;
};

} // namespace kaldoria::pack
