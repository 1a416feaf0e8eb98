#pragma once

#include "trust/Result.h"
#include "trust/Sha256.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace kaldoria::chunks {

// One chunk of a file: the SHA-256 of its bytes (also its name in the chunk store) and its
// length. Its offset is the sum of the lengths before it.
struct ChunkEntry {
    trust::Sha256Digest digest{};
    quint32 length = 0;

    bool operator==(const ChunkEntry&) const = default;
};

// The ordered chunks of one file, served beside the file's archive as "PATH.kdc".
//
// Text form: ASCII, one record per line, each ended by a single LF:
//
//   kaldoria-chunk-index 1          format version (FastCdc's borders and sizes)
//   size 1048576                    the file's length in bytes, decimal
//   md5 0123456789ABCDEF...         optional: the file's MD5 digest string, as file lists write it
//   chunk <sha256> <length>         one per chunk in file order, none for an empty file
//
// Digests are 64 lower-case hexadecimal digits; numbers have no sign and no leading zero.
// The reader refuses anything else and names the line: a chunk of 0 bytes or longer than
// FastCdc::kMaxSize, more than kMaxChunks chunks, lengths that do not add up to the size.
//
// How a launcher uses it: parse() the fetched index (after checking its SHA-256 against
// the signed manifest when there is one), cut its own copy of the file with ofFile(), keep
// the chunks whose digests both indexes share (read from the old file at their offsets),
// fetch the others from the chunk store (ChunkStore::relativePath, ChunkCodec::decode), and
// write them in order into the new file.
class ChunkIndex {
public:
    static constexpr char kSuffix[] = ".kdc";
    static constexpr char kHeader[] = "kaldoria-chunk-index 1";
    // A file of 16 GiB cut into the shortest chunks; 64 GiB at the average length.
    static constexpr qsizetype kMaxChunks = qsizetype(1) << 20;
    // The longest text form: the header, the size and kMaxChunks chunk lines.
    static constexpr qsizetype kMaxTextSize = 64 + 37 + kMaxChunks * (6 + 64 + 1 + 6 + 1);

    void append(const trust::Sha256Digest& digest, quint32 length);

    const std::vector<ChunkEntry>& chunks() const { return m_chunks; }
    // The file's length: the sum of its chunks' lengths.
    qint64 fileSize() const { return m_fileSize; }
    // The MD5 digest string of the whole file (32 upper-case hexadecimal digits), when the
    // index gives it: a launcher that finds it equal to the list's knows that the file the
    // chunks make is the listed one without hashing it again.
    const QString& md5() const { return m_md5; }
    void setMd5(QString md5) { m_md5 = std::move(md5); }
    // Where each chunk starts in the file, in chunk order.
    std::vector<qint64> offsets() const;

    // The text form; the reason when the index holds more than kMaxChunks chunks.
    trust::Result<QByteArray> serialize() const;
    // Reads the text form strictly; the reason names the line and what is wrong with it.
    static trust::Result<ChunkIndex> parse(QByteArrayView bytes);
    // The index of the file at `path`, cut by FastCdc; the reason when it cannot be read.
    static trust::Result<ChunkIndex> ofFile(const QString& path);

    bool operator==(const ChunkIndex&) const = default;

private:
    std::vector<ChunkEntry> m_chunks;
    qint64 m_fileSize = 0;
    QString m_md5;
};

} // namespace kaldoria::chunks
