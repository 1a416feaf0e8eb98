#include "PackFixture.h"

#include <filelist/TFileList.h>
#include <filelist/TMD5.h>
#include <platform/DayCount.h>
#include <platform/TextCodec.h>
#include <unpack/PackedFile.h>
#include <unpack/TRAR.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;

namespace {

using packtest::readFile;
using packtest::writeFile;

class PublishCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(client("kd.ini"), "[game]\r\nserver=1\r\n");
        QByteArray large(3 << 20, Qt::Uninitialized);
        for (int i = 0; i < large.size(); ++i)
            large[i] = static_cast<char>((i * 7919) >> 5);
        writeFile(client("data/sub/big.dat"), large);
        writeFile(client("data/empty.bin"), {});
        writeFile(client("Data2/Mixed Case.txt"), "mixed");
    }
    QString client(const char* relative) const {
        return dir.filePath(QStringLiteral("client/") + QLatin1String(relative));
    }
    QString server(const QString& relative = {}) const { return dir.filePath(QStringLiteral("server/") + relative); }

    QTemporaryDir dir;
};

TEST_F(PublishCommandTest, ServerFolderUnpacksBackIntoTheClient) {
    const packtest::RunResult run = packtest::pack(
        {QStringLiteral("publish"), dir.filePath(QStringLiteral("client")), QStringLiteral("-o"), server(),
         QStringLiteral("--required"), QStringLiteral("data/sub/big.dat"), QStringLiteral("--required"),
         QStringLiteral("\\kd.ini"), QStringLiteral("--delete"), QStringLiteral("old\\launcher.exe")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString(); // nothing to warn about

    // The packed list unpacks to exactly updater.lst.
    QFile::copy(server(QStringLiteral("updater.lst.kdz")), dir.filePath(QStringLiteral("$tmp.kdz")));
    ASSERT_EQ(
        unpack::UnpackPackedFile(dir.filePath(QStringLiteral("$tmp.kdz")), dir.filePath(QStringLiteral("updater.lst")))
            .status,
        unpack::UnpackResult::Status::Unpacked);
    const QByteArray text = readFile(server(QStringLiteral("updater.lst")));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("updater.lst"))), text);
    EXPECT_TRUE(text.endsWith("\r\n"));

    // Three sections: the files, the required names after "#", the deletions after "@".
    QStringList lines = platform::TextCodec::decodeLines(text);
    const qsizetype marker = lines.indexOf(QStringLiteral("#"));
    ASSERT_EQ(marker, 4);
    EXPECT_EQ(lines.mid(marker),
              (QStringList{QStringLiteral("#"), QStringLiteral("\\data\\sub\\big.dat"), QStringLiteral("\\kd.ini"),
                           QStringLiteral("@"), QStringLiteral("\\old\\launcher.exe")}));
    filelist::TFileList list(true);
    ASSERT_TRUE(list.LoadFromStrings(lines.mid(0, marker)).ok());
    ASSERT_EQ(list.Count(), 4);

    // Every entry describes its client file and its archive, and the archive gives the file back.
    for (int i = 0; i < list.Count(); ++i) {
        const filelist::TFileRecord& record = list.GetItemByID(i)->Content;
        SCOPED_TRACE(record.Name.toStdString());
        ASSERT_TRUE(record.Name.startsWith(QLatin1Char('\\')));
        QString relative = record.Name.mid(1);
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString original = dir.filePath(QStringLiteral("client/") + relative);
        const QString archive = server(relative + QStringLiteral(".kdz"));
        EXPECT_EQ(record.Hash, filelist::GetFileMD5(original).digest);
        EXPECT_EQ(record.HashPacked, filelist::GetFileMD5(archive).digest);
        EXPECT_EQ(record.Size, QFileInfo(original).size());
        EXPECT_EQ(record.Date, platform::DayCount::fromDateTime(QFileInfo(original).lastModified()));

        const QString out = dir.filePath(QStringLiteral("out"));
        QDir(out).removeRecursively();
        EXPECT_TRUE(unpack::ExtractArchive(archive, out).extracted);
        EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QFileInfo(original).fileName()});
        EXPECT_TRUE(readFile(out + QLatin1Char('/') + QFileInfo(original).fileName()) == readFile(original));
    }
}

TEST_F(PublishCommandTest, PublishingAgainReplacesTheArchives) {
    const QStringList args{QStringLiteral("publish"), dir.filePath(QStringLiteral("client")), QStringLiteral("-o"),
                           server()};
    ASSERT_EQ(packtest::pack(args).exitCode, 0);
    writeFile(client("kd.ini"), "changed");
    ASSERT_EQ(packtest::pack(args).exitCode, 0);

    unpack::TRAR rar;
    int entries = 0;
    rar.OnListFile = [&](unpack::TRAR&, const unpack::TRARFileItem&) { ++entries; };
    ASSERT_TRUE(rar.OpenFile(server(QStringLiteral("kd.ini.kdz"))));
    EXPECT_EQ(entries, 1);
    ASSERT_TRUE(rar.Extract(dir.filePath(QStringLiteral("out")), false));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("out/kd.ini"))), QByteArray("changed"));
    EXPECT_FALSE(readFile(server(QStringLiteral("updater.lst"))).contains('#')); // no sections asked for
}

TEST_F(PublishCommandTest, RelativeFoldersAreTakenFromTheWorkingFolder) {
    const packtest::RunResult run = packtest::run(
        packtest::buildDir() + QStringLiteral("/kaldoria-pack"),
        {QStringLiteral("publish"), QStringLiteral("client"), QStringLiteral("-o"), QStringLiteral("server")},
        dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    filelist::TFileList list(true);
    ASSERT_TRUE(list.LoadFromFile(server(QStringLiteral("updater.lst"))).ok());
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.GetItemByName(QStringLiteral("\\kd.ini"))->Content.HashPacked,
              filelist::GetFileMD5(server(QStringLiteral("kd.ini.kdz"))).digest);
}

TEST_F(PublishCommandTest, WarnsAboutNamesDifferingOnlyInCaseAndEmptyFoldersAndStillPublishes) {
    writeFile(client("data2/mixed case.txt"), "other");
    QDir().mkpath(client("empty"));
    QDir().mkpath(client("outer/inner"));
    const packtest::RunResult run = packtest::pack(
        {QStringLiteral("publish"), dir.filePath(QStringLiteral("client")), QStringLiteral("-o"), server()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(server(QStringLiteral("updater.lst.kdz"))));

    const QStringList warnings = QString::fromUtf8(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : warnings)
        EXPECT_TRUE(line.startsWith(QStringLiteral("kaldoria-pack publish: warning: "))) << line.toStdString();
    const char* expected[] = {
        "'Data2/Mixed Case.txt' and 'data2/mixed case.txt' differ only in case",
        "empty folder 'empty'",
        "empty folder 'outer'",
        "empty folder 'outer/inner'",
    };
    for (const char* text : expected)
        EXPECT_TRUE(run.err.contains(text)) << text << "\n" << run.err.toStdString();
    EXPECT_EQ(warnings.size(), std::size(expected)) << run.err.toStdString();
}

TEST_F(PublishCommandTest, RefusesWhatCannotWork) {
    const QString clientDir = dir.filePath(QStringLiteral("client"));
    QDir().mkpath(dir.filePath(QStringLiteral("empty-path")));
    const struct {
        const char* what;
        QStringList args;
        QString path;
        int exitCode;
        const char* message;
    } cases[] = {
        {"rar missing",
         {QStringLiteral("publish"), clientDir, QStringLiteral("-o"), server()},
         dir.filePath(QStringLiteral("empty-path")),
         1,
         "'rar' program was not found"},
        {"server inside the client",
         {QStringLiteral("publish"), clientDir, QStringLiteral("-o"), client("www")},
         {},
         1,
         "must not lie inside"},
        {"unknown required file",
         {QStringLiteral("publish"), clientDir, QStringLiteral("-o"), server(), QStringLiteral("--required"),
          QStringLiteral("nothing.dat")},
         {},
         1,
         "nothing.dat"},
        {"deletion outside the client",
         {QStringLiteral("publish"), clientDir, QStringLiteral("-o"), server(), QStringLiteral("--delete"),
          QStringLiteral("../x")},
         {},
         1,
         "../x"},
        {"no server folder", {QStringLiteral("publish"), clientDir}, {}, 1, "option -o is required"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!c.path.isNull())
            environment.insert(QStringLiteral("PATH"), c.path);
        const packtest::RunResult run =
            packtest::run(packtest::buildDir() + QStringLiteral("/kaldoria-pack"), c.args, {}, environment);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(server(QStringLiteral("updater.lst"))));
    }
}

} // namespace
