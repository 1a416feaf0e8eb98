#include "ChunkPublisher.h"

#include "OutputFile.h"

#include "chunks/FileChunker.h"
#include "filelist/TMD5.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <set>

namespace kaldoria::pack {

using chunks::ChunkIndex;
using trust::Result;

ChunkPublisher::ChunkPublisher(const QString& server)
    : m_server(server), m_store(QDir(server).filePath(QString::fromLatin1(chunks::ChunkStore::kFolderName))) {}

QString ChunkPublisher::indexPath(const QString& server, const QString& relative) {
    return QDir(server).filePath(relative + QString::fromLatin1(ChunkIndex::kSuffix));
}

int ChunkPublisher::removeIndexes(const QString& server, const QStringList& relatives) {
    int removed = 0;
    for (const QString& relative : relatives) {
        if (QFile::remove(indexPath(server, relative)))
            ++removed;
    }
    return removed;
}

QString ChunkPublisher::publish(const QString& file, const QString& relative, qint64 archiveSize) {
    const QString path = indexPath(m_server, relative);
    // Read before this publication replaces it: it describes the version players have now.
    const std::optional<ChunkIndex> previous = previousIndex(path, relative);

    ChunkIndex index;
    filelist::TMD5 md5;
    const QString reason = chunks::FileChunker::cut(file, [&](qint64, QByteArrayView bytes) {
        md5.Add(bytes.data(), std::size_t(bytes.size()));
        const trust::Sha256Digest digest = trust::Sha256::of(bytes);
        const Result<bool> put = m_store.put(digest, bytes);
        if (!put.ok())
            return put.error();
        if (put.value()) {
            ++m_newChunks;
            m_newStoredBytes += QFileInfo(m_store.path(digest)).size();
        }
        index.append(digest, quint32(bytes.size()));
        return QString();
    });
    if (!reason.isEmpty())
        return reason;
    index.setMd5(md5.DigestStr());
    const Result<QByteArray> text = index.serialize();
    if (!text.ok())
        return QStringLiteral("%1: %2").arg(file, text.error());
    if (const QString error = writeOutputFile(path, text.value()); !error.isEmpty())
        return error;
    ++m_files;
    m_chunks += qint64(index.chunks().size());
    countFetch(index, previous, text.value().size(), archiveSize);
    return {};
}

std::optional<ChunkIndex> ChunkPublisher::previousIndex(const QString& path, const QString& relative) {
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QString error;
    const std::optional<QByteArray> bytes = readInputFile(path, error);
    Result<ChunkIndex> read = bytes ? ChunkIndex::parse(*bytes) : Result<ChunkIndex>::failure(error);
    if (!read.ok()) {
        m_warnings
            << QStringLiteral("the earlier index of %1 is left out of the comparison: %2").arg(relative, read.error());
        return std::nullopt;
    }
    ++m_previousIndexes;
    return std::move(read).value();
}

void ChunkPublisher::countFetch(const ChunkIndex& index, const std::optional<ChunkIndex>& previous, qint64 indexSize,
                                qint64 archiveSize) {
    // An index of an earlier publication may lack the file's MD5; the chunks tell.
    if (previous && previous->chunks() == index.chunks())
        return;
    ++m_changedFiles;
    m_fetchIndexBytes += indexSize;
    m_changedArchiveBytes += archiveSize;
    std::set<trust::Sha256Digest> held;
    if (previous) {
        for (const chunks::ChunkEntry& chunk : previous->chunks())
            held.insert(chunk.digest);
    }
    // A chunk that repeats within the file is fetched once.
    for (const chunks::ChunkEntry& chunk : index.chunks()) {
        if (!held.insert(chunk.digest).second)
            continue;
        ++m_fetchChunks;
        m_fetchChunkBytes += QFileInfo(m_store.path(chunk.digest)).size();
    }
}

QStringList ChunkPublisher::summary() const {
    QStringList lines;
    lines << QStringLiteral("chunks: %1 in %2 files, %3 new (%4 bytes written to %5/), %6 already stored")
                 .arg(m_chunks)
                 .arg(m_files)
                 .arg(m_newChunks)
                 .arg(m_newStoredBytes)
                 .arg(QLatin1String(chunks::ChunkStore::kFolderName))
                 .arg(m_chunks - m_newChunks);
    if (m_previousIndexes == 0) {
        lines << QStringLiteral("no earlier chunk indexes in the folder: nothing to compare with");
        return lines;
    }
    lines << QStringLiteral("a player of the previous version fetches %1 bytes for %2 changed files: %3 chunks "
                            "(%4 bytes) and their indexes (%5 bytes), instead of %6 bytes of archives")
                 .arg(m_fetchChunkBytes + m_fetchIndexBytes)
                 .arg(m_changedFiles)
                 .arg(m_fetchChunks)
                 .arg(m_fetchChunkBytes)
                 .arg(m_fetchIndexBytes)
                 .arg(m_changedArchiveBytes);
    return lines;
}

} // namespace kaldoria::pack
