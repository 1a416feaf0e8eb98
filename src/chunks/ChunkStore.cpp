#include "chunks/ChunkStore.h"

#include "chunks/ChunkCodec.h"
#include "chunks/FastCdc.h"

#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kaldoria::chunks {

using trust::Result;

QString ChunkStore::relativePath(const trust::Sha256Digest& digest) {
    const QString hex = trust::toHex(digest);
    return hex.first(2) + QLatin1Char('/') + hex + QStringLiteral(".zst");
}

QString ChunkStore::path(const trust::Sha256Digest& digest) const {
    return m_folder + QLatin1Char('/') + relativePath(digest);
}

bool ChunkStore::contains(const trust::Sha256Digest& digest) const {
    return QFileInfo(path(digest)).isFile();
}

Result<bool> ChunkStore::put(const trust::Sha256Digest& digest, QByteArrayView bytes) const {
    if (contains(digest))
        return false;
    const Result<QByteArray> stored = ChunkCodec::encode(bytes);
    if (!stored.ok())
        return Result<bool>::failure(stored.error());
    const QString target = path(digest);
    if (!QDir().mkpath(QFileInfo(target).path()))
        return Result<bool>::failure(QStringLiteral("cannot create the folder of %1").arg(target));
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(stored.value()) != stored.value().size() ||
        !platform::commitToDisk(file))
        return Result<bool>::failure(QStringLiteral("%1: %2").arg(target, file.errorString()));
    return true;
}

Result<QByteArray> ChunkStore::get(const trust::Sha256Digest& digest) const {
    QFile file(path(digest));
    if (!file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    // A stored chunk is never larger than zstd's bound for the longest chunk.
    const QByteArray stored = file.read(qint64(2 * FastCdc::kMaxSize));
    return ChunkCodec::decode(stored, digest);
}

} // namespace kaldoria::chunks
