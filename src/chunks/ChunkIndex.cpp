#include "chunks/ChunkIndex.h"

#include "chunks/ChunkHasher.h"
#include "chunks/FastCdc.h"
#include "chunks/FileChunker.h"
#include "trust/StrictLines.h"

#include <algorithm>

namespace kaldoria::chunks {

using trust::Result;
using trust::StrictLines;

namespace {

constexpr char kSize[] = "size ";
constexpr char kChunk[] = "chunk ";
constexpr char kMd5[] = "md5 ";
constexpr qsizetype kMd5Digits = 32;

// An MD5 digest string as file lists write it: 32 upper-case hexadecimal digits.
bool isMd5Text(QByteArrayView text) {
    return text.size() == kMd5Digits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

// Sizes and lengths: 15 digits are far more than any index can declare.
constexpr qsizetype kNumberDigits = 15;

// Reads the lines of an index one by one (header, size, chunks) into `index`.
class IndexReader {
public:
    // The reason `line` (the `number`th) is refused, or empty.
    QString readLine(QByteArrayView line, qsizetype number) {
        if (number == 1) {
            if (line != QByteArrayView(ChunkIndex::kHeader))
                return QStringLiteral("not \"%1\"").arg(QLatin1String(ChunkIndex::kHeader));
            return {};
        }
        if (number == 2)
            return readSize(line);
        if (number == 3 && line.startsWith(kMd5)) {
            const QByteArrayView digest = line.sliced(qsizetype(sizeof kMd5) - 1);
            if (!isMd5Text(digest))
                return QStringLiteral("an md5 line needs 32 upper-case hexadecimal digits");
            index.setMd5(QString::fromLatin1(digest));
            return {};
        }
        if (!line.startsWith(kChunk))
            return QStringLiteral("a chunk line must start with \"chunk \"");
        const QByteArrayView fields = line.sliced(qsizetype(sizeof kChunk) - 1);
        constexpr qsizetype kHex = 64;
        if (fields.size() < kHex + 2 || fields[kHex] != ' ')
            return QStringLiteral("a chunk line needs a digest and a length");
        const std::optional<trust::Sha256Digest> digest = trust::sha256FromHex(fields.first(kHex));
        if (!digest)
            return QStringLiteral("not a SHA-256 digest in lower-case hexadecimal");
        const std::optional<qint64> length = StrictLines::number(fields.sliced(kHex + 1), kNumberDigits);
        if (!length || *length < 1 || *length > qint64(FastCdc::kMaxSize))
            return QStringLiteral("a chunk length must be a number from 1 to %1").arg(FastCdc::kMaxSize);
        if (qsizetype(index.chunks().size()) >= ChunkIndex::kMaxChunks)
            return QStringLiteral("more than %1 chunks").arg(ChunkIndex::kMaxChunks);
        if (index.fileSize() + *length > m_declaredSize)
            return QStringLiteral("the chunks pass the size of %1 bytes").arg(m_declaredSize);
        index.append(*digest, quint32(*length));
        return {};
    }

    // The reason the lines read do not make a whole index (no size line, or chunks short of it), or empty.
    QString finish() const {
        if (!m_sizeRead)
            return QStringLiteral("the size line is missing");
        if (index.fileSize() != m_declaredSize)
            return QStringLiteral("the chunks add up to %1 bytes, the size line says %2")
                .arg(index.fileSize())
                .arg(m_declaredSize);
        return {};
    }

    ChunkIndex index;

private:
    QString readSize(QByteArrayView line) {
        const std::optional<qint64> size =
            line.startsWith(kSize) ? StrictLines::number(line.sliced(qsizetype(sizeof kSize) - 1), kNumberDigits)
                                   : std::nullopt;
        constexpr qint64 kLargest = qint64(ChunkIndex::kMaxChunks) * qint64(FastCdc::kMaxSize);
        if (!size || *size > kLargest)
            return QStringLiteral("the second line must be \"size N\" with N from 0 to %1").arg(kLargest);
        m_declaredSize = *size;
        m_sizeRead = true;
        return {};
    }

    qint64 m_declaredSize = 0;
    bool m_sizeRead = false;
};

} // namespace

void ChunkIndex::append(const trust::Sha256Digest& digest, quint32 length) {
    m_chunks.push_back({digest, length});
    m_fileSize += length;
}

std::vector<qint64> ChunkIndex::offsets() const {
    std::vector<qint64> starts;
    starts.reserve(m_chunks.size());
    qint64 offset = 0;
    for (const ChunkEntry& chunk : m_chunks) {
        starts.push_back(offset);
        offset += chunk.length;
    }
    return starts;
}

Result<QByteArray> ChunkIndex::serialize() const {
    if (qsizetype(m_chunks.size()) > kMaxChunks)
        return Result<QByteArray>::failure(
            QStringLiteral("%1 chunks: an index holds at most %2").arg(m_chunks.size()).arg(kMaxChunks));
    QByteArray text;
    text.reserve(64 + qsizetype(m_chunks.size()) * 80);
    text += kHeader;
    text += '\n';
    text += kSize + QByteArray::number(m_fileSize) + '\n';
    if (!m_md5.isEmpty())
        text += kMd5 + m_md5.toLatin1() + '\n';
    for (const ChunkEntry& chunk : m_chunks)
        text += kChunk + trust::toHex(chunk.digest).toLatin1() + ' ' + QByteArray::number(chunk.length) + '\n';
    return text;
}

Result<ChunkIndex> ChunkIndex::parse(QByteArrayView bytes) {
    IndexReader reader;
    QString reason =
        StrictLines::read(bytes, kMaxTextSize, [&reader](QByteArrayView line, qsizetype, qsizetype number) {
            return reader.readLine(line, number);
        });
    if (reason.isEmpty())
        reason = reader.finish();
    if (!reason.isEmpty())
        return Result<ChunkIndex>::failure(QStringLiteral("the chunk index is malformed: ") + reason);
    return std::move(reader.index);
}

Result<ChunkIndex> ChunkIndex::ofFile(const QString& path) {
    ChunkHasher hasher;
    std::vector<quint32> lengths;
    const QString reason = FileChunker::cut(path, [&](qint64, QByteArrayView bytes) {
        hasher.add(bytes);
        lengths.push_back(quint32(bytes.size()));
        return QString();
    });
    const std::vector<trust::Sha256Digest> digests = hasher.finish();
    if (!reason.isEmpty())
        return Result<ChunkIndex>::failure(reason);
    ChunkIndex index;
    for (size_t i = 0; i < lengths.size(); ++i)
        index.append(digests[i], lengths[i]);
    return index;
}

} // namespace kaldoria::chunks
