#include "ChunkTestData.h"

#include <chunks/FileChunker.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kaldoria::chunks::FastCdc;
using kaldoria::chunks::FileChunker;

namespace {

// Cutting while reading in blocks must give the borders of the whole content cut at once,
// also where a chunk straddles two reads.
TEST(FileChunkerTest, CutsAFileAsTheWholeContentIsCut) {
    const QTemporaryDir dir;
    const qsizetype sizes[] = {0, 1, qsizetype(FastCdc::kMinSize), 3 * FileChunker::kReadSize + 12345};
    for (qsizetype size : sizes) {
        SCOPED_TRACE(size);
        const QByteArray content = chunktest::randomBytes(size, std::uint64_t(size));
        const QString path = dir.filePath(QStringLiteral("file%1").arg(size));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        std::vector<std::size_t> lengths;
        qint64 expectedOffset = 0;
        const QString reason = FileChunker::cut(path, [&](qint64 offset, QByteArrayView bytes) {
            EXPECT_EQ(offset, expectedOffset);
            EXPECT_EQ(bytes, QByteArrayView(content).sliced(offset, bytes.size()));
            expectedOffset += bytes.size();
            lengths.push_back(std::size_t(bytes.size()));
            return QString();
        });
        EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
        EXPECT_EQ(lengths, chunktest::cutLengths(content));
    }
}

TEST(FileChunkerTest, StopsWithTheReasonOfTheSinkOrOfTheFile) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(chunktest::randomBytes(1024 * 1024, 5));
    file.close();

    int calls = 0;
    EXPECT_EQ(FileChunker::cut(path,
                               [&](qint64, QByteArrayView) {
                                   ++calls;
                                   return QStringLiteral("disk full");
                               }),
              QStringLiteral("disk full"));
    EXPECT_EQ(calls, 1);

    const QString missing = FileChunker::cut(dir.filePath(QStringLiteral("none")), [](qint64, QByteArrayView) {
        ADD_FAILURE() << "no chunk of a missing file";
        return QString();
    });
    EXPECT_TRUE(missing.contains(QStringLiteral("cannot read"))) << missing.toStdString();
}

} // namespace
