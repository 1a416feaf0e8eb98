#include "Rar5Writer.h"
#include "UnpackFixture.h"

#include <unpack/PackedFile.h>

#include <QDir>
#include <QProcess>

using namespace kaldoria::unpack;

namespace {

// `data` compressed by the bzip2 program at block size 1 to 9.
QByteArray bzip2(const QByteArray& data, int blockSize) {
    QProcess process;
    process.start(QStringLiteral("bzip2"), {QStringLiteral("-c"), QStringLiteral("-%1").arg(blockSize)});
    process.write(data);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(-1));
    return process.readAllStandardOutput();
}

// A file list of `lines` lines in the list text format.
QByteArray listText(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += QByteArray::number(i * 7919, 16).rightJustified(32, '0').toUpper() + "|\\data\\file" +
                QByteArray::number(i) + ".dat|" + QByteArray::number(i * 13) + "|40E59DD000000000|" +
                QByteArray(32, '0') + "\r\n";
    return text;
}

class PackedFileTest : public UnpackFixture {};

TEST_F(PackedFileTest, RestoresTheHeaderAndUnpacksEveryBlockSize) {
    const QByteArray list = listText(5000); // several blocks at block size 1
    const QByteArray replacements[] = {QByteArray(5, '\0'), QByteArray("KDZ!!"), QByteArray("\xFF\xFE\x01\x02\x03", 5)};
    for (const int blockSize : {1, 9}) {
        const QByteArray compressed = bzip2(list, blockSize);
        ASSERT_TRUE(compressed.startsWith("BZh" + QByteArray::number(blockSize) + "1"));
        for (const QByteArray& replacement : replacements) {
            SCOPED_TRACE(blockSize);
            writeFile(QStringLiteral("$tmp.kdz"), replacement + compressed.mid(5));
            const UnpackResult result =
                UnpackPackedFile(path(QStringLiteral("$tmp.kdz")), path(QStringLiteral("updater.lst")));
            EXPECT_EQ(result.status, UnpackResult::Status::Unpacked) << result.error.toStdString();
            EXPECT_TRUE(readFile(QStringLiteral("updater.lst")) == list);
            EXPECT_TRUE(readFile(QStringLiteral("$tmp.kdz")) == "BZh91" + compressed.mid(5));
        }
    }
}

TEST_F(PackedFileTest, MissingPackedListLeavesTheTargetAlone) {
    writeFile(QStringLiteral("updater.lst"), "old list");
    const UnpackResult result = UnpackPackedFile(path(QStringLiteral("$tmp.kdz")), path(QStringLiteral("updater.lst")));
    EXPECT_EQ(result.status, UnpackResult::Status::PackedFileMissing);
    EXPECT_EQ(readFile(QStringLiteral("updater.lst")), QByteArray("old list"));
    EXPECT_EQ(tree(), strings({"updater.lst"}));
}

TEST_F(PackedFileTest, DamagedPackedListFailsWithoutTouchingTheTarget) {
    const QByteArray compressed = bzip2(listText(2000), 9);
    QByteArray flipped = compressed;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
    const QByteArray bomb = bzip2(QByteArray(kPackedListLimit + 1, '\0'), 9);
    const struct {
        const char* what;
        QByteArray packed;
    } cases[] = {
        {"truncated", compressed.left(compressed.size() / 2)},
        {"flipped byte", flipped},
        {"not bzip2", patternBytes(4000)},
        {"shorter than the header", QByteArray("abc")},
        {"empty", QByteArray()},
        {"over the size limit", bomb},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(QStringLiteral("updater.lst"), "old list");
        writeFile(QStringLiteral("$tmp.kdz"), c.packed);
        const UnpackResult result =
            UnpackPackedFile(path(QStringLiteral("$tmp.kdz")), path(QStringLiteral("updater.lst")));
        EXPECT_EQ(result.status, UnpackResult::Status::Failed);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(readFile(QStringLiteral("updater.lst")), QByteArray("old list"));
        EXPECT_EQ(tree(), strings({"$tmp.kdz", "updater.lst"})); // no temporary file left behind
    }
}

// ExtractArchive resolves a relative folder against the current folder, as the launcher does.
class ExtractArchiveTest : public UnpackFixture {
protected:
    void SetUp() override {
        previous = QDir::currentPath();
        QDir::setCurrent(path(QStringLiteral("client")));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QString previous;
    bool made = QDir().mkpath(path(QStringLiteral("client")));
};

TEST_F(ExtractArchiveTest, FilesLandDirectlyInTheFolderUnderTheirBareNames) {
    writeFile(QStringLiteral("src/data/sub/file.dat"), "file content");
    QDir().mkpath(path(QStringLiteral("src/data/emptydir")));
    ASSERT_TRUE(
        rar(QStringLiteral("$tmp.kdz"), {QStringLiteral("data")}, {QStringLiteral("-r")}, QStringLiteral("src")));

    for (const QString& folder : {QStringLiteral("system"), QStringLiteral("system\\"), QStringLiteral("system/")}) {
        SCOPED_TRACE(folder.toStdString());
        QDir(path(QStringLiteral("client/system"))).removeRecursively();
        QDir().mkpath(path(QStringLiteral("client/system")));
        writeFile(QStringLiteral("client/system/file.dat"), "old");
        EXPECT_TRUE(ExtractArchive(path(QStringLiteral("$tmp.kdz")), folder).extracted);
        EXPECT_EQ(tree(QStringLiteral("client")), strings({"system", "system/file.dat"}));
        EXPECT_EQ(readFile(QStringLiteral("client/system/file.dat")), QByteArray("file content"));
    }
    // "." is the client folder itself; a missing folder is created.
    EXPECT_TRUE(ExtractArchive(path(QStringLiteral("$tmp.kdz")), QStringLiteral(".")).extracted);
    EXPECT_EQ(readFile(QStringLiteral("client/file.dat")), QByteArray("file content"));
    EXPECT_TRUE(ExtractArchive(path(QStringLiteral("$tmp.kdz")), QStringLiteral("new\\deeper\\")).extracted);
    EXPECT_EQ(readFile(QStringLiteral("client/new/deeper/file.dat")), QByteArray("file content"));
}

TEST_F(ExtractArchiveTest, ReportsWhetherEveryFileWasExtractedAndWhyNot) {
    writeFile(QStringLiteral("src/a.bin"), patternBytes(100000));
    ASSERT_TRUE(
        rar(QStringLiteral("damaged.kdz"), {QStringLiteral("a.bin")}, {QStringLiteral("-m0")}, QStringLiteral("src")));
    ASSERT_TRUE(rar(QStringLiteral("large.kdz"), {QStringLiteral("a.bin")}, {}, QStringLiteral("src")));
    flipByte(QStringLiteral("damaged.kdz"), 50000);
    Rar5Writer hostile;
    hostile.addFile(QStringLiteral("../evil.txt"), "evil");
    hostile.addFile(QStringLiteral("good.txt"), "good");
    ASSERT_TRUE(hostile.save(path(QStringLiteral("hostile.kdz"))));
    writeFile(QStringLiteral("junk.kdz"), "not an archive");

    const struct {
        const char* archive;
        std::optional<qint64> limit;
        const char* reason;
    } cases[] = {
        {"missing.kdz", std::nullopt, "the packed file is missing"},
        {"junk.kdz", std::nullopt, "damaged or unreadable archive, UnRAR code 99"},
        {"damaged.kdz", std::nullopt, "extraction failed, UnRAR code 12"},
        {"large.kdz", 1000, "refused entry: a.bin (entry larger than the extraction bound)"},
    };
    for (const auto& c : cases) {
        const ExtractOutcome outcome =
            ExtractArchive(path(QString::fromLatin1(c.archive)), QStringLiteral("."), c.limit);
        EXPECT_FALSE(outcome.extracted) << c.archive;
        EXPECT_EQ(outcome.reason, QString::fromLatin1(c.reason)) << c.archive;
        EXPECT_FALSE(outcome.diskFull) << c.archive;
    }
    EXPECT_TRUE(tree(QStringLiteral("client")).isEmpty());
    const ExtractOutcome refused = ExtractArchive(path(QStringLiteral("hostile.kdz")), QStringLiteral("."));
    EXPECT_FALSE(refused.extracted);
    EXPECT_TRUE(refused.reason.startsWith(QStringLiteral("refused entry: ../evil.txt")))
        << refused.reason.toStdString();
    EXPECT_EQ(tree(QStringLiteral("client")), strings({"good.txt"}));
    EXPECT_FALSE(exists(QStringLiteral("evil.txt")));
}

// A file whose bytes differ from the expected digest never replaces the one in place, whether
// the archive stores or compresses it; the digest is of the bytes written, in any block size.
TEST_F(ExtractArchiveTest, AFileReplacesNothingUnlessItsDigestMatches) {
    const QByteArray content = patternBytes(3'000'000);
    writeFile(QStringLiteral("src/a.bin"), content);
    ASSERT_TRUE(
        rar(QStringLiteral("stored.kdz"), {QStringLiteral("a.bin")}, {QStringLiteral("-m0")}, QStringLiteral("src")));
    ASSERT_TRUE(rar(QStringLiteral("packed.kdz"), {QStringLiteral("a.bin")}, {}, QStringLiteral("src")));
    const kaldoria::trust::Sha256Digest right = kaldoria::trust::Sha256::of(content);
    const kaldoria::trust::Sha256Digest wrong = kaldoria::trust::Sha256::of("other bytes");
    for (const char* archive : {"stored.kdz", "packed.kdz"}) {
        SCOPED_TRACE(archive);
        writeFile(QStringLiteral("client/a.bin"), "old");
        const ExtractOutcome refused =
            ExtractArchive(path(QString::fromLatin1(archive)), QStringLiteral("."), {}, wrong);
        EXPECT_FALSE(refused.extracted);
        EXPECT_TRUE(refused.reason.startsWith(
            QStringLiteral("refused entry: a.bin (SHA-256 mismatch: ") + kaldoria::trust::toHex(wrong) +
            QStringLiteral(" was expected, the extracted file has ") + kaldoria::trust::toHex(right)))
            << refused.reason.toStdString();
        EXPECT_EQ(tree(QStringLiteral("client")), strings({"a.bin"}));
        EXPECT_EQ(readFile(QStringLiteral("client/a.bin")), QByteArray("old"));

        EXPECT_TRUE(ExtractArchive(path(QString::fromLatin1(archive)), QStringLiteral("."), {}, right).extracted);
        EXPECT_TRUE(readFile(QStringLiteral("client/a.bin")) == content);
    }
}

} // namespace
