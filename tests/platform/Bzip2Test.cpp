#include <platform/Bzip2.h>

#include <QBuffer>
#include <QTemporaryFile>

#include <bzlib.h>

#include <gtest/gtest.h>

using kaldoria::platform::Bzip2;

namespace {

QByteArray sample(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (int i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>("abcdefgh"[state >> 29]); // compressible, not trivially
    }
    return bytes;
}

QByteArray compress(const QByteArray& data, int blockSize = 9) {
    unsigned size = static_cast<unsigned>(data.size() + data.size() / 100 + 600);
    QByteArray out(size, Qt::Uninitialized);
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.constData()),
                                       static_cast<unsigned>(data.size()), blockSize, 0, 0),
              BZ_OK);
    out.resize(size);
    return out;
}

TEST(Bzip2Test, DecompressesFromBytesAndDevicesAtTheTargetPosition) {
    const QByteArray data = sample(1 << 20); // many 65536-byte chunks
    const QByteArray packed = compress(data, 1);

    QBuffer target;
    target.open(QIODevice::WriteOnly);
    target.write("prefix");
    Bzip2::Result result = Bzip2::decompress(packed, target);
    EXPECT_TRUE(result.ok()) << result.message().toStdString();
    EXPECT_EQ(result.bytesWritten, data.size());
    EXPECT_TRUE(target.data() == "prefix" + data);

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(packed);
    file.seek(0);
    QBuffer fromFile;
    fromFile.open(QIODevice::WriteOnly);
    result = Bzip2::decompress(file, fromFile);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(fromFile.data() == data);
}

TEST(Bzip2Test, StopsAfterTheFirstStreamAndLeavesTheSourceBehindIt) {
    QBuffer source;
    source.setData(QByteArray("head") + compress("first stream") + QByteArray("tail bytes"));
    source.open(QIODevice::ReadOnly);
    source.seek(4);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    EXPECT_TRUE(Bzip2::decompress(source, target).ok());
    EXPECT_EQ(target.data(), QByteArray("first stream"));
    EXPECT_EQ(source.readAll(), QByteArray("tail bytes"));
}

TEST(Bzip2Test, OutputCapStopsBeforeWritingMore) {
    const QByteArray data = sample(200000);
    const QByteArray packed = compress(data);
    const struct {
        qint64 limit;
        bool ok;
    } cases[] = {{200000, true}, {199999, false}, {65536, false}, {0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        QBuffer target;
        target.open(QIODevice::WriteOnly);
        const Bzip2::Result result = Bzip2::decompress(packed, target, c.limit);
        EXPECT_EQ(result.ok(), c.ok);
        if (!c.ok) {
            EXPECT_EQ(result.status, Bzip2::Status::TooLarge);
        }
        EXPECT_EQ(target.data().size(), std::min<qint64>(c.limit, data.size()));
        EXPECT_TRUE(data.startsWith(target.data()));
    }
}

TEST(Bzip2Test, DamagedInputIsAValueNotACrash) {
    const QByteArray packed = compress(sample(300000));
    QByteArray flipped = packed;
    flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x10);
    const struct {
        const char* what;
        QByteArray input;
        Bzip2::Status status;
    } cases[] = {
        {"truncated", packed.left(packed.size() - 10), Bzip2::Status::UnexpectedEnd},
        {"empty", QByteArray(), Bzip2::Status::UnexpectedEnd},
        {"not bzip2", QByteArray("PK\x03\x04 definitely not bzip2"), Bzip2::Status::BadData},
        {"flipped bit", flipped, Bzip2::Status::BadData},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QBuffer target;
        target.open(QIODevice::WriteOnly);
        const Bzip2::Result result = Bzip2::decompress(c.input, target);
        EXPECT_EQ(result.status, c.status);
        EXPECT_FALSE(result.message().isEmpty());
    }

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(Bzip2::decompress(packed, readOnly).status, Bzip2::Status::WriteFailed);
}

} // namespace
