#include "ChunkTestData.h"

#include <chunks/ChunkIndex.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;
using chunks::ChunkIndex;

namespace {

const QByteArray kDigest = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

QByteArray chunkLine(const QByteArray& digest, const QByteArray& length) {
    return "chunk " + digest + ' ' + length + '\n';
}

TEST(ChunkIndexTest, IndexOfAFileReadsBackAndPlacesEveryChunk) {
    const QTemporaryDir dir;
    const QByteArray content = chunktest::randomBytes(3 * 1024 * 1024 + 77, 11);
    for (const QByteArray& bytes : {content, QByteArray()}) {
        SCOPED_TRACE(bytes.size());
        const QString path = dir.filePath(QStringLiteral("file"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        const trust::Result<ChunkIndex> index = ChunkIndex::ofFile(path);
        ASSERT_TRUE(index.ok()) << index.error().toStdString();
        EXPECT_EQ(index.value().fileSize(), bytes.size());
        const std::vector<qint64> offsets = index.value().offsets();
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const chunks::ChunkEntry& chunk = index.value().chunks()[i];
            EXPECT_EQ(trust::Sha256::of(bytes.sliced(offsets[i], chunk.length)), chunk.digest) << "chunk " << i;
        }

        // With and without the file's MD5.
        for (const QString& md5 : {QString(), QStringLiteral("0123456789ABCDEF0123456789ABCDEF")}) {
            ChunkIndex written = index.value();
            written.setMd5(md5);
            const trust::Result<QByteArray> text = written.serialize();
            ASSERT_TRUE(text.ok());
            const trust::Result<ChunkIndex> read = ChunkIndex::parse(text.value());
            ASSERT_TRUE(read.ok()) << read.error().toStdString();
            EXPECT_TRUE(read.value() == written);
        }
    }
}

TEST(ChunkIndexTest, RefusesMalformedIndexesNamingTheLine) {
    const QByteArray head = QByteArray(ChunkIndex::kHeader) + "\nsize 10\n";
    const struct {
        const char* what;
        QByteArray text;
        const char* reason;
    } cases[] = {
        {"empty", "", "it is empty"},
        {"another format", "kaldoria-manifest 1\nsize 0\n", "line 1: not \"kaldoria-chunk-index 1\""},
        {"a later version", "kaldoria-chunk-index 2\nsize 0\n", "line 1:"},
        {"no size line", QByteArray(ChunkIndex::kHeader) + '\n', "the size line is missing"},
        {"size with a leading zero", QByteArray(ChunkIndex::kHeader) + "\nsize 010\n", "line 2: the second line"},
        {"negative size", QByteArray(ChunkIndex::kHeader) + "\nsize -1\n", "line 2:"},
        {"a chunk before the size", QByteArray(ChunkIndex::kHeader) + '\n' + chunkLine(kDigest, "10"), "line 2:"},
        {"a path in place of a digest", head + chunkLine("../../../../etc/passwd", "10"), "line 3:"},
        {"a path of digest length", head + chunkLine(QByteArray("../").repeated(18) + "etc/passwd", "10"),
         "line 3: not a SHA-256 digest"},
        {"upper-case hexadecimal", head + chunkLine(kDigest.toUpper(), "10"), "line 3: not a SHA-256 digest"},
        {"a short digest", head + chunkLine(kDigest.chopped(1), "10"), "line 3:"},
        {"an empty chunk", head + chunkLine(kDigest, "0"), "line 3: a chunk length must be"},
        {"a chunk over the longest", head + chunkLine(kDigest, "262145"), "line 3: a chunk length must be"},
        {"a length with a sign", head + chunkLine(kDigest, "+10"), "line 3: a chunk length must be"},
        {"a second space", head + "chunk " + kDigest + "  10\n", "line 3: a chunk length must be"},
        {"chunks short of the size", head + chunkLine(kDigest, "9"), "add up to 9 bytes, the size line says 10"},
        {"chunks past the size", head + chunkLine(kDigest, "9") + chunkLine(kDigest, "2"), "line 4: the chunks pass"},
        {"no last line end", head + chunkLine(kDigest, "10").chopped(1), "line 3: no line end"},
        {"a carriage return", QByteArray(ChunkIndex::kHeader) + "\r\nsize 0\n", "line 1:"},
        {"an md5 in lower case", head + "md5 0123456789abcdef0123456789abcdef\n", "line 3: an md5 line needs"},
        {"a short md5", head + "md5 0123456789ABCDEF\n", "line 3: an md5 line needs"},
        {"an md5 after a chunk", head + chunkLine(kDigest, "10") + "md5 0123456789ABCDEF0123456789ABCDEF\n",
         "line 4: a chunk line must start"},
        {"an unknown record", head + chunkLine(kDigest, "10") + "signer x\n", "line 4: a chunk line must start"},
        {"larger than any index", QByteArray(ChunkIndex::kMaxTextSize + 1, 'x'), "larger than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const trust::Result<ChunkIndex> read = ChunkIndex::parse(c.text);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().contains(QLatin1String(c.reason))) << read.error().toStdString();
    }
}

TEST(ChunkIndexTest, RefusesMoreChunksThanAnyIndexHolds) {
    ChunkIndex index;
    for (qsizetype i = 0; i <= ChunkIndex::kMaxChunks; ++i)
        index.append(trust::Sha256Digest{}, 1);
    EXPECT_FALSE(index.serialize().ok());

    const QByteArray line = chunkLine(kDigest, "1");
    QByteArray text = QByteArray(ChunkIndex::kHeader) + "\nsize " + QByteArray::number(ChunkIndex::kMaxChunks + 1) +
                      '\n' + line.repeated(ChunkIndex::kMaxChunks + 1);
    ASSERT_LE(text.size(), ChunkIndex::kMaxTextSize);
    const trust::Result<ChunkIndex> read = ChunkIndex::parse(text);
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().contains(QStringLiteral("line %1: more than").arg(ChunkIndex::kMaxChunks + 3)))
        << read.error().toStdString();
}

} // namespace
