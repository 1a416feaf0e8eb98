#include "ChunkTestData.h"

#include <chunks/ChunkCodec.h>
#include <chunks/ChunkStore.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;
using chunks::ChunkStore;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(ChunkStoreTest, StoresEachChunkOnceUnderItsDigest) {
    const QTemporaryDir dir;
    const ChunkStore store(dir.filePath(QStringLiteral("chunks")));
    const QByteArray bytes = chunktest::randomBytes(50000, 1) + QByteArray(20000, 'a');
    const trust::Sha256Digest digest = trust::Sha256::of(bytes);
    const QString hex = trust::toHex(digest);
    EXPECT_EQ(ChunkStore::relativePath(digest), hex.first(2) + QLatin1Char('/') + hex + QStringLiteral(".zst"));
    EXPECT_FALSE(store.contains(digest));

    const trust::Result<bool> first = store.put(digest, bytes);
    ASSERT_TRUE(first.ok()) << first.error().toStdString();
    EXPECT_TRUE(first.value());
    const QString path = dir.filePath(QStringLiteral("chunks/") + ChunkStore::relativePath(digest));
    EXPECT_EQ(store.path(digest), path);
    const QByteArray stored = readAll(path);
    EXPECT_LT(stored.size(), bytes.size()); // compressed
    // Nothing but the chunk is left in its folder: no temporary file.
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A chunk already stored is not written again, whatever bytes come with its name.
    const trust::Result<bool> again = store.put(digest, "other bytes");
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(again.value());
    EXPECT_EQ(readAll(path), stored);

    const trust::Result<QByteArray> read = store.get(digest);
    ASSERT_TRUE(read.ok()) << read.error().toStdString();
    EXPECT_EQ(read.value(), bytes);
}

TEST(ChunkStoreTest, RefusesAChunkThatIsMissingDamagedOrAnother) {
    const QTemporaryDir dir;
    const ChunkStore store(dir.path());
    const QByteArray bytes = chunktest::randomBytes(30000, 2);
    const QByteArray other = chunktest::randomBytes(30000, 3);
    const trust::Sha256Digest digest = trust::Sha256::of(bytes);
    ASSERT_TRUE(store.put(digest, bytes).ok());
    ASSERT_TRUE(store.put(trust::Sha256::of(other), other).ok());
    const QByteArray good = readAll(store.path(digest));

    QByteArray flipped = good;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 1);
    const QByteArray tooLarge = chunks::ChunkCodec::encode(QByteArray(chunks::FastCdc::kMaxSize + 1, '\0')).value();
    const struct {
        const char* what;
        std::optional<QByteArray> stored; // nothing: no file
        const char* reason;
    } cases[] = {
        {"missing", std::nullopt, "No such file"},
        {"not zstd", QByteArray("plain bytes"), "does not decompress"},
        {"truncated", good.chopped(10), "does not decompress"},
        {"a flipped bit", flipped, "chunk "},
        {"another chunk's bytes", readAll(store.path(trust::Sha256::of(other))), "holds other bytes"},
        {"more than the longest chunk", tooLarge, "does not decompress"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(store.path(digest));
        if (c.stored)
            writeAll(store.path(digest), *c.stored);
        const trust::Result<QByteArray> read = store.get(digest);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().contains(QLatin1String(c.reason))) << read.error().toStdString();
    }
}

} // namespace
