#include "download/ResumeRecord.h"
#include "download/FileAssembly.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kaldoria::download {

namespace {

ResumeRecord sample() {
    ResumeRecord record{.address = QStringLiteral("http://127.0.0.1:8080/data/big%20file.kdz"),
                        .length = 50000000,
                        .validator = QByteArrayLiteral("\"6650a3c1-2faf080\""),
                        .written = {}};
    record.addWritten(0, 8388607);
    record.addWritten(8388608, 16777215); // touches the first: joined
    record.addWritten(25165824, 33554431);
    return record;
}

// `body` with a check line that fits it, so that only the fields themselves are judged.
QByteArray sealed(const QByteArray& body) {
    return body + "check " + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + '\n';
}

} // namespace

TEST(ResumeRecord, ReadsBackWhatItWroteWithTouchingSpansJoined) {
    const ResumeRecord record = sample();
    ASSERT_EQ(record.written.size(), 2u);
    EXPECT_EQ(record.written[0], (ResumeRecord::Span{0, 16777215}));
    EXPECT_EQ(record.writtenBytes(), 16777216 + 8388608);
    EXPECT_EQ(ResumeRecord::fromText(record.toText()), record);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.kdz.resume"));
    ASSERT_TRUE(record.save(path));
    EXPECT_EQ(ResumeRecord::load(path), record);
    ResumeRecord::remove(path);
    EXPECT_FALSE(ResumeRecord::load(path));
}

// A write cut anywhere, or any byte changed, leaves no record rather than a wrong one.
TEST(ResumeRecord, TornOrAlteredTextIsNoRecord) {
    const QByteArray text = sample().toText();
    for (qsizetype size = 0; size < text.size(); ++size)
        EXPECT_FALSE(ResumeRecord::fromText(text.left(size))) << size;
    for (qsizetype at = 0; at < text.size(); ++at) {
        QByteArray altered = text;
        altered[at] = char(altered[at] ^ 0x01);
        EXPECT_FALSE(ResumeRecord::fromText(altered)) << at;
    }
}

// Fields that read but cannot describe a partly fetched file.
TEST(ResumeRecord, SealedRecordsWithImpossibleFieldsAreRefused) {
    const QByteArray head = "Kaldoria resume 1\naddress http://h/a.kdz\n";
    ASSERT_TRUE(ResumeRecord::fromText(sealed(head + "length 100\nvalidator \"v\"\nwritten 0 9\nwritten 20 29\n")));
    const char* bodies[] = {
        "length 100\nvalidator \"v\"\nwritten 0 9\nwritten 5 29\n",  // overlapping
        "length 100\nvalidator \"v\"\nwritten 20 29\nwritten 0 9\n", // out of order
        "length 100\nvalidator \"v\"\nwritten 0 9\nwritten 10 29\n", // touching, never written so
        "length 100\nvalidator \"v\"\nwritten 90 100\n",             // past the end
        "length 100\nvalidator \"v\"\nwritten 9 0\n",                // backwards
        "length 100\nvalidator \"v\"\nwritten -1 9\n",               // negative
        "length 100\nvalidator \"v\"\nwritten 00 9\n",               // not a plain number
        "length 0\nvalidator \"v\"\n",                               // empty file
        "length 100\nvalidator \n",                                  // no validator
        "length 100\nvalidator \"v\"\nextra 1\n",                    // unknown field
    };
    for (const char* body : bodies)
        EXPECT_FALSE(ResumeRecord::fromText(sealed(head + body))) << body;
    EXPECT_FALSE(
        ResumeRecord::fromText(sealed("Kaldoria resume 2\naddress http://h/a.kdz\nlength 100\nvalidator x\n")));
}

// A range that a free connection took over stands after the others in the file's list; the
// record still gives the written spans in the order of the file, which is the only order a
// later run takes up.
TEST(ResumeRecord, SpansOfARangeTakenOverAreRecordedInFileOrder) {
    QTemporaryDir dir;
    FileAssembly file({.id = 1,
                       .url = QStringLiteral("http://h/a.kdz"),
                       .path = dir.filePath(QStringLiteral("a.kdz")),
                       .resumable = true},
                      100);
    ASSERT_EQ(file.open().kind, DownloadFailure::Kind::None);
    ASSERT_EQ(file.setLength(300, 99).kind, DownloadFailure::Kind::None);
    file.setValidator(QByteArrayLiteral("\"v1\""));
    const QByteArray bytes(60, 'x');
    ASSERT_EQ(file.write(0, bytes.constData(), 10).kind, DownloadFailure::Kind::None);
    const int taken = file.split(0, 50);
    ASSERT_EQ(file.write(taken, bytes.constData(), 20).kind, DownloadFailure::Kind::None);
    ASSERT_EQ(file.write(2, bytes.constData(), 30).kind, DownloadFailure::Kind::None);

    const ResumeRecord record = file.record();
    EXPECT_EQ(record.written, (std::vector<ResumeRecord::Span>{{0, 9}, {50, 69}, {200, 229}}));
    EXPECT_EQ(ResumeRecord::fromText(record.toText()), record);
}

} // namespace kaldoria::download
