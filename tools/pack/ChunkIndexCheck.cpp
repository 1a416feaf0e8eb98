#include "ChunkIndexCheck.h"

#include "ChunkPublisher.h"
#include "ListName.h"
#include "OutputFile.h"

#include "chunks/ChunkIndex.h"
#include "chunks/ChunkStore.h"

#include <QDir>
#include <QFileInfo>

namespace kaldoria::pack {

using trust::Result;

QStringList ChunkIndexCheck::run(const QString& server, const QString& name, qint64 size,
                                 const trust::ManifestFile& signedFile) {
    const QString path = ChunkPublisher::indexPath(server, relativePath(name));
    if (!signedFile.index) {
        if (QFileInfo::exists(path))
            return {QStringLiteral("%1: the server has a chunk index of it that is not signed").arg(name)};
        return {};
    }
    QString error;
    const std::optional<QByteArray> bytes = readInputFile(path, error);
    if (!bytes)
        return {QStringLiteral("%1: %2").arg(name, error)};
    if (trust::Sha256::of(*bytes) != *signedFile.index)
        return {QStringLiteral("%1: the chunk index on the server is not the signed one").arg(name)};
    const Result<chunks::ChunkIndex> index = chunks::ChunkIndex::parse(*bytes);
    if (!index.ok())
        return {QStringLiteral("%1: %2").arg(name, index.error())};
    if (index.value().fileSize() != size)
        return {QStringLiteral("%1: the chunk index describes %2 bytes, the list %3")
                    .arg(name)
                    .arg(index.value().fileSize())
                    .arg(size)};

    const chunks::ChunkStore store(QDir(server).filePath(QString::fromLatin1(chunks::ChunkStore::kFolderName)));
    trust::Sha256 whole;
    for (const chunks::ChunkEntry& chunk : index.value().chunks()) {
        const Result<QByteArray> read = store.get(chunk.digest);
        if (!read.ok())
            return {QStringLiteral("%1: %2").arg(name, read.error())};
        if (read.value().size() != chunk.length)
            return {
                QStringLiteral("%1: chunk %2 is not as long as the index says").arg(name, trust::toHex(chunk.digest))};
        whole.add(read.value());
    }
    if (whole.finish() != signedFile.unpacked)
        return {QStringLiteral("%1: its chunks do not make the signed file").arg(name)};
    return {};
}

} // namespace kaldoria::pack
