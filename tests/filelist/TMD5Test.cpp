#include "filelist/TMD5.h"

#include "QStringPrinter.h"
#include "TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::filelist;
using kaldoria::testsupport::randomBytes;

namespace {

QString digestOf(const QByteArray& bytes) {
    TMD5 md5;
    md5.Add(bytes.constData(), std::size_t(bytes.size()));
    return md5.DigestStr();
}

QString md5sumOf(const QString& path) {
    QProcess md5sum;
    md5sum.start(u"md5sum"_qs, {path});
    md5sum.waitForFinished();
    return QString::fromLatin1(md5sum.readAllStandardOutput().left(32)).toUpper();
}

// A device that serves `good` bytes and then fails every read.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 good) : m_good(good) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    qint64 size() const override { return 1 << 20; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_served >= m_good)
            return -1;
        const qint64 n = std::min(maxSize, m_good - m_served);
        std::fill(data, data + n, 'x');
        m_served += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 m_good;
    qint64 m_served = 0;
};

} // namespace

TEST(TMD5, MatchesTheTestSuiteOfTheRfc) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [message, digest] : suite) {
        EXPECT_EQ(digestOf(QByteArray(message)), QString::fromLatin1(digest)) << message;
        // Fed one byte at a time, the buffered path gives the same digest.
        TMD5 md5;
        for (const char c : QByteArray(message))
            md5.Add(std::uint8_t(c));
        EXPECT_EQ(md5.DigestStr(), QString::fromLatin1(digest)) << message;
    }
}

TEST(TMD5, DigestFormsAgree) {
    TMD5 md5;
    md5.Add(QByteArray("abc").constData(), 3);
    const TDigest digest = md5.Digest();
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
    EXPECT_EQ(md5.DigestLongWord()[0], 0x98500190u);
}

TEST(TMD5, EveryOverloadAppendsItsLittleEndianBytes) {
    const auto digest = [](auto feed) {
        TMD5 md5;
        feed(md5);
        return md5.DigestStr();
    };
    const QString ab = digestOf(QByteArray("a\0b\0", 4));
    EXPECT_EQ(digest([](TMD5& m) { m.Add(u"ab"_qs); }), ab);
    EXPECT_EQ(digest([](TMD5& m) {
                  m.Add(QChar(u'a'));
                  m.Add(QChar(u'b'));
              }),
              ab);
    EXPECT_EQ(digest([](TMD5& m) { m.Add(QStringList{u"a"_qs, u"b"_qs}); }), ab);
    EXPECT_EQ(digest([](TMD5& m) { m.Add(QString()); }), digestOf({}));
    EXPECT_EQ(digest([](TMD5& m) { m.Add(std::uint16_t(0x0201)); }), digestOf(QByteArray("\x01\x02")));
    EXPECT_EQ(digest([](TMD5& m) { m.Add(std::uint32_t(0x04030201)); }), digestOf(QByteArray("\x01\x02\x03\x04")));
    EXPECT_EQ(digest([](TMD5& m) { m.Add(std::int32_t(-2)); }), digestOf(QByteArray("\xFE\xFF\xFF\xFF")));
    EXPECT_EQ(digest([](TMD5& m) { m.Add(QChar(0x20AC)); }), digestOf(QByteArray("\xAC\x20")));
}

TEST(TMD5, ReadingTheDigestContinuesTheMessage) {
    TMD5 md5;
    md5.Add(QByteArray("ab").constData(), 2);
    const QString first = md5.DigestStr();
    EXPECT_EQ(md5.DigestStr(), first);
    EXPECT_EQ(first, digestOf("ab"));
    md5.Add(std::uint8_t('c'));
    EXPECT_EQ(md5.DigestStr(), digestOf("abc"));
    md5.Reset();
    EXPECT_EQ(md5.DigestStr(), digestOf({}));
}

// Sizes around the 64-byte block and the 8192-byte read, checked against md5sum; the same
// bytes through Add, AddStream and GetFileMD5 give the same digest.
TEST(TMD5, FilesAroundBlockBoundariesMatchMd5sum) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const qsizetype size : {0, 1, 55, 56, 63, 64, 65, 127, 128, 8191, 8192, 8193, 16384, 16447, 100000}) {
        const QByteArray bytes = randomBytes(size, unsigned(size));
        const QString path = dir.filePath(QStringLiteral("f%1.bin").arg(size));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        const FileDigest fromFile = GetFileMD5(path);
        ASSERT_TRUE(fromFile.status.ok()) << size;
        EXPECT_EQ(fromFile.digest, md5sumOf(path)) << size;
        EXPECT_EQ(fromFile.digest, digestOf(bytes)) << size;

        QBuffer buffer;
        buffer.setData(QByteArray("skip") + bytes);
        buffer.open(QIODevice::ReadOnly);
        buffer.seek(4);
        TMD5 md5;
        ASSERT_TRUE(md5.AddStream(buffer).ok());
        EXPECT_EQ(buffer.pos(), 4);
        EXPECT_EQ(md5.DigestStr(), fromFile.digest) << size;
    }
}

TEST(TMD5, StreamAtItsEndAppendsNothing) {
    QBuffer buffer;
    buffer.setData("data");
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(4);
    TMD5 md5;
    ASSERT_TRUE(md5.AddStream(buffer).ok());
    EXPECT_EQ(buffer.pos(), 4);
    EXPECT_EQ(md5.DigestStr(), digestOf({}));
}

// A read that fails in the middle is an error, and nothing beyond the bytes read is appended.
TEST(TMD5, ReadFailureInTheMiddleIsAnError) {
    FailingDevice device(8192);
    TMD5 md5;
    const Status status = md5.AddStream(device);
    EXPECT_EQ(status.message(), u"Stream read error"_qs);
    EXPECT_EQ(md5.DigestStr(), digestOf(QByteArray(8192, 'x')));
    EXPECT_EQ(device.pos(), 0);
}

TEST(TMD5, FilesThatCannotBeOpenedAreErrors) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing.bin"_qs);
    const FileDigest none = GetFileMD5(missing);
    EXPECT_EQ(none.status.message(), u"Cannot open file "_qs + missing);
    EXPECT_TRUE(none.digest.isEmpty());
    EXPECT_EQ(GetFileMD5(dir.path()).status.message(), u"Cannot open file "_qs + dir.path());

    TMD5 md5;
    EXPECT_FALSE(md5.AddFile(missing).ok());
    EXPECT_EQ(md5.DigestStr(), digestOf({})); // nothing appended
}

TEST(TMD5, FileNamesMayUseBackslashesAndAnyCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"Data/Sub"_qs));
    QFile file(dir.filePath(u"Data/Sub/File.BIN"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc");
    file.close();
    const FileDigest digest = GetFileMD5(dir.path() + u"\\data\\SUB\\file.bin"_qs);
    ASSERT_TRUE(digest.status.ok()) << qPrintable(digest.status.message());
    EXPECT_EQ(digest.digest, digestOf("abc"));
}
