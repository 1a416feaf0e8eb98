#include "PackFixture.h"
#include "TestFiles.h"

#include <chunks/ChunkIndex.h>
#include <chunks/ChunkStore.h>
#include <chunks/FastCdc.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;

namespace {

using packtest::readFile;
using packtest::writeFile;
using testsupport::randomBytes;

// The numbers publish prints about chunks.
struct ChunkFigures {
    qint64 total = -1;
    qint64 fresh = -1;
    qint64 fetchBytes = -1; // -1 when there was nothing to compare with
    qint64 changedFiles = -1;
    qint64 fetchChunks = -1;
    qint64 archiveBytes = -1;
};

ChunkFigures figuresOf(const QByteArray& out) {
    ChunkFigures figures;
    const QRegularExpressionMatch written =
        QRegularExpression(QStringLiteral(R"(chunks: (\d+) in \d+ files, (\d+) new)")).match(QString::fromUtf8(out));
    if (written.hasMatch()) {
        figures.total = written.captured(1).toLongLong();
        figures.fresh = written.captured(2).toLongLong();
    }
    const QRegularExpressionMatch fetched =
        QRegularExpression(QStringLiteral(R"(fetches (\d+) bytes for (\d+) changed files: (\d+) chunks .* instead )"
                                          R"(of (\d+) bytes of archives)"))
            .match(QString::fromUtf8(out));
    if (fetched.hasMatch()) {
        figures.fetchBytes = fetched.captured(1).toLongLong();
        figures.changedFiles = fetched.captured(2).toLongLong();
        figures.fetchChunks = fetched.captured(3).toLongLong();
        figures.archiveBytes = fetched.captured(4).toLongLong();
    }
    return figures;
}

class ChunkPublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        big = randomBytes(8 * 1024 * 1024, 1);
        writeFile(path("client/data/big.pak"), big);
        writeFile(path("client/kd.ini"), "[game]\r\nserver=1\r\n");
    }
    QString path(const char* relative) const { return dir.filePath(QLatin1String(relative)); }

    ChunkFigures publish(const QStringList& extra = {QStringLiteral("--chunks")}) const {
        const packtest::RunResult run = packtest::pack(
            QStringList{QStringLiteral("publish"), path("client"), QStringLiteral("-o"), path("server")} + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return figuresOf(run.out);
    }

    QTemporaryDir dir;
    QByteArray big;
};

TEST_F(ChunkPublishTest, IndexesAndStoreGiveEveryFileBack) {
    const ChunkFigures first = publish();
    EXPECT_GT(first.total, 8 * 1024 * 1024 / qint64(chunks::FastCdc::kMaxSize));
    EXPECT_EQ(first.fresh, first.total);
    EXPECT_EQ(first.fetchBytes, -1); // no earlier indexes to compare with

    const chunks::ChunkStore store(path("server/chunks"));
    for (const char* name : {"data/big.pak", "kd.ini"}) {
        SCOPED_TRACE(name);
        const trust::Result<chunks::ChunkIndex> index =
            chunks::ChunkIndex::parse(readFile(path("server/") + QLatin1String(name) + QStringLiteral(".kdc")));
        ASSERT_TRUE(index.ok()) << index.error().toStdString();
        QByteArray assembled;
        for (const chunks::ChunkEntry& chunk : index.value().chunks()) {
            const trust::Result<QByteArray> bytes = store.get(chunk.digest);
            ASSERT_TRUE(bytes.ok()) << bytes.error().toStdString();
            assembled += bytes.value();
        }
        EXPECT_EQ(assembled, readFile(path("client/") + QLatin1String(name)));
    }
}

TEST_F(ChunkPublishTest, RepublishingStoresOnlyWhatChangedAndCountsWhatPlayersFetch) {
    publish();
    const ChunkFigures unchanged = publish();
    EXPECT_EQ(unchanged.fresh, 0);
    EXPECT_EQ(unchanged.fetchBytes, 0);
    EXPECT_EQ(unchanged.changedFiles, 0);

    // One byte in the middle of the big file: its chunk, perhaps the next, and its index.
    big[big.size() / 2] = char(big[big.size() / 2] ^ 0x55);
    writeFile(path("client/data/big.pak"), big);
    const ChunkFigures changed = publish();
    EXPECT_GE(changed.fresh, 1);
    EXPECT_LE(changed.fresh, 2);
    EXPECT_EQ(changed.changedFiles, 1);
    EXPECT_EQ(changed.fetchChunks, changed.fresh);
    EXPECT_LE(changed.fetchBytes, 3 * qint64(chunks::FastCdc::kMaxSize));
    EXPECT_GE(changed.archiveBytes, big.size());

    // Published without chunks, the indexes go: they would describe the files no longer.
    const packtest::RunResult plain =
        packtest::pack({QStringLiteral("publish"), path("client"), QStringLiteral("-o"), path("server")});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_TRUE(plain.err.contains("removed 2 chunk indexes")) << plain.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("server/data/big.pak.kdc")));
}

} // namespace
