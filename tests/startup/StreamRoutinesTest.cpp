#include "startup/DecompressStream.h"
#include "startup/XorStreamWithKey.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <bzlib.h>
#include <gtest/gtest.h>

using namespace kaldoria::startup;

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(gen.bounded(256));
    return bytes;
}

QByteArray bzip2(const QByteArray& data) {
    QByteArray out(data.size() + data.size() / 100 + 601, '\0');
    unsigned int length = unsigned(out.size());
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.constData()), unsigned(data.size()),
                                       9, 0, 0),
              BZ_OK);
    out.truncate(length);
    return out;
}

QByteArray xorWith(const QByteArray& data, const QByteArray& key, qint64 startPos = 0) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadWrite);
    buffer.seek(startPos);
    EXPECT_TRUE(XorStreamWithKey(buffer, key));
    EXPECT_EQ(buffer.pos(), data.size());
    return buffer.data();
}

} // namespace

TEST(XorStreamWithKey, EqualsBytewiseXorWithKeyRestartingEveryKeyLength) {
    const QByteArray key20 = "ABCDEFGHIJKLMNOPQRST";
    const QByteArray key14 = "Wardle_Options";
    // 45 bytes: two full 20-byte blocks and a 5-byte block; 3 MiB crosses the copy blocks.
    for (const auto& [size, key] : {std::pair{45, key20}, std::pair{3 * 1024 * 1024 + 7, key14}}) {
        const QByteArray input = randomBytes(size, quint32(size));
        QByteArray expected = input;
        for (qsizetype k = 0; k < expected.size(); ++k)
            expected[k] = char(expected[k] ^ key[k % key.size()]);
        // The position before the call does not matter: it always starts at offset 0.
        const QByteArray once = xorWith(input, key, size / 2);
        EXPECT_EQ(once, expected);
        EXPECT_EQ(xorWith(once, key), input);
    }
    EXPECT_EQ(xorWith(QByteArray(), key20), QByteArray());
}

TEST(XorStreamWithKey, RefusesKeysOutsideOneTo200Bytes) {
    for (const QByteArray& key : {QByteArray(), QByteArray(201, 'k')}) {
        QBuffer buffer;
        buffer.setData("data");
        buffer.open(QIODevice::ReadWrite);
        EXPECT_FALSE(XorStreamWithKey(buffer, key));
        EXPECT_EQ(buffer.data(), QByteArray("data"));
    }
    EXPECT_EQ(xorWith(QByteArray(300, '\0'), QByteArray(200, 'k')), QByteArray(300, 'k'));
}

TEST(DecompressStream, AppendsTheDecodedBytesAtTheTargetPosition) {
    const QByteArray plain = randomBytes(200000, 1) + QByteArray(300000, 'a');
    QBuffer source;
    source.setData("skip" + bzip2(plain) + "trailing bytes after the stream");
    source.open(QIODevice::ReadOnly);
    source.seek(4);
    QBuffer target;
    target.open(QIODevice::ReadWrite);
    target.write("head");
    ASSERT_TRUE(DecompressStream(source, target));
    EXPECT_EQ(target.data(), "head" + plain);
}

TEST(DecompressStream, FailsOnDamagedTruncatedEmptyOrOversizedInput) {
    const QByteArray plain(100000, 'z');
    const QByteArray packed = bzip2(plain);
    QByteArray damaged = packed;
    damaged[packed.size() / 2] = char(damaged[packed.size() / 2] ^ 0x55);
    const struct {
        QByteArray input;
        std::optional<qint64> cap;
        bool ok;
    } cases[] = {
        {packed, std::nullopt, true},
        {packed, plain.size(), true},
        {packed, plain.size() - 1, false},
        {packed.left(packed.size() - 1), std::nullopt, false},
        {damaged, std::nullopt, false},
        {QByteArray(), std::nullopt, false},
        {"not bzip2 data at all", std::nullopt, false},
        {randomBytes(5000, 7), std::nullopt, false},
    };
    for (const auto& c : cases) {
        QBuffer source;
        source.setData(c.input);
        source.open(QIODevice::ReadOnly);
        QBuffer target;
        target.open(QIODevice::WriteOnly);
        EXPECT_EQ(DecompressStream(source, target, c.cap), c.ok) << c.input.size() << " bytes";
        if (c.ok) {
            EXPECT_EQ(target.data(), plain);
        }
    }
}
