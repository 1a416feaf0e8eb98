#include <trust/Sha256.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::trust;

namespace {

TEST(Sha256Test, KnownDigestsWhateverThePiecesTheBytesArriveIn) {
    const QByteArray million(1000000, 'a');
    const struct {
        QByteArray message;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digest);
        EXPECT_EQ(toHex(Sha256::of(c.message)), QLatin1String(c.digest));
        // Pieces of odd sizes that straddle the 64-byte blocks, and the object reused after finish.
        Sha256 sha;
        sha.add(QByteArrayView("left over"));
        sha.finish();
        for (qsizetype at = 0, step = 1; at < c.message.size(); at += step, step = step * 3 % 1021 + 1)
            sha.add(QByteArrayView(c.message).sliced(at, qMin(step, c.message.size() - at)));
        EXPECT_EQ(toHex(sha.finish()), QLatin1String(c.digest));
    }
}

TEST(Sha256Test, FileDigestMatchesTheBytesAndMissingFilesSayWhy) {
    QTemporaryDir dir;
    QByteArray bytes(300000, Qt::Uninitialized); // several read blocks and a partial one
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 131 >> 3);
    QFile file(dir.filePath(QStringLiteral("data.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const Result<Sha256Digest> digest = Sha256::ofFile(file.fileName());
    ASSERT_TRUE(digest.ok()) << digest.error().toStdString();
    EXPECT_EQ(digest.value(), Sha256::of(bytes));

    for (const QString& bad : {dir.filePath(QStringLiteral("missing.bin")), dir.path()}) {
        const Result<Sha256Digest> missing = Sha256::ofFile(bad);
        EXPECT_FALSE(missing.ok());
        EXPECT_TRUE(missing.error().contains(bad)) << missing.error().toStdString();
    }
}

TEST(Sha256Test, HexTextIsExactlySixtyFourLowerCaseDigits) {
    const Sha256Digest digest = Sha256::of("abc");
    const QByteArray text = toHex(digest).toLatin1();
    EXPECT_EQ(sha256FromHex(text), digest);
    EXPECT_FALSE(sha256FromHex(text.toUpper()));
    EXPECT_FALSE(sha256FromHex(text.chopped(1)));
    EXPECT_FALSE(sha256FromHex(text + '0'));
    EXPECT_FALSE(sha256FromHex(QByteArray(text).replace(10, 1, "g")));
    EXPECT_FALSE(sha256FromHex(QByteArray(text).replace(10, 1, " ")));
}

} // namespace
