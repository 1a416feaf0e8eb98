#include "UnpackFixture.h"

#include <unpack/TRAR.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <clocale>
#include <utility>
#include <vector>

using namespace kaldoria::unpack;

namespace {

struct ReportedError {
    int code;
    TRAROperation operation;
    bool operator==(const ReportedError&) const = default;
};

// Records what a TRAR reports through its events.
struct Recorder {
    explicit Recorder(TRAR& rar) {
        rar.OnError = [this](TRAR&, int code, TRAROperation operation) { errors.push_back({code, operation}); };
        rar.OnListFile = [this](TRAR&, const TRARFileItem& item) { listed.push_back(item); };
    }
    std::vector<ReportedError> errors;
    std::vector<TRARFileItem> listed;
};

class TRARTest : public UnpackFixture {
protected:
    // data/sub/file.dat, data/other/second.txt, top.txt, an empty file and an empty folder.
    QString makeTreeArchive(const QStringList& options = {}) {
        writeFile(QStringLiteral("src/data/sub/file.dat"), patternBytes(70000));
        writeFile(QStringLiteral("src/data/other/second.txt"), "second\n");
        writeFile(QStringLiteral("src/top.txt"), "top\n");
        writeFile(QStringLiteral("src/empty.bin"), {});
        QDir().mkpath(path(QStringLiteral("src/data/emptydir")));
        EXPECT_TRUE(rar(QStringLiteral("tree.rar"),
                        {QStringLiteral("data"), QStringLiteral("top.txt"), QStringLiteral("empty.bin")},
                        options + QStringList{QStringLiteral("-r")}, QStringLiteral("src")));
        return path(QStringLiteral("tree.rar"));
    }
};

TEST_F(TRARTest, OpenFileListsEntriesAndArchiveInformation) {
    const QDateTime fixed(QDate(2021, 3, 15), QTime(12, 0, 0));
    writeFile(QStringLiteral("src/dated.txt"), "dated");
    {
        QFile dated(path(QStringLiteral("src/dated.txt")));
        ASSERT_TRUE(dated.open(QIODevice::ReadWrite));
        ASSERT_TRUE(dated.setFileTime(fixed, QFileDevice::FileModificationTime));
    }
    const QString archive = makeTreeArchive();
    ASSERT_TRUE(rar(QStringLiteral("tree.rar"), {QStringLiteral("dated.txt")}, {}, QStringLiteral("src")));

    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(archive));
    EXPECT_TRUE(recorder.errors.empty());

    QStringList names;
    for (const TRARFileItem& item : recorder.listed)
        names << item.FileNameW;
    names.sort();
    EXPECT_EQ(names, strings({"data", "data/emptydir", "data/other", "data/other/second.txt", "data/sub",
                              "data/sub/file.dat", "dated.txt", "empty.bin", "top.txt"}));

    const TRARArchiveInformation& info = rar.ArchiveInformation();
    EXPECT_EQ(info.FileName(), archive);
    EXPECT_EQ(info.TotalFiles(), 5); // folders are not counted
    EXPECT_EQ(info.UnCompressedSize(), 70000 + 7 + 4 + 0 + 5);
    EXPECT_EQ(info.ArchiverMajorVersion(), 5u);
    EXPECT_EQ(info.HostOS(), QStringLiteral("Unix"));
    EXPECT_GE(info.DictionarySize(), 128 * 1024);
    EXPECT_FALSE(info.Solid());
    EXPECT_FALSE(info.Encryption());
    EXPECT_FALSE(info.MultiVolume());
    EXPECT_FALSE(info.SFX());

    for (const TRARFileItem& item : recorder.listed) {
        if (item.FileNameW != QStringLiteral("dated.txt"))
            continue;
        EXPECT_EQ(item.FileName, QByteArray("dated.txt"));
        EXPECT_EQ(item.UnCompressedSize, 5u);
        EXPECT_EQ(item.CRC32, QStringLiteral("28a74cd9")); // CRC-32 of "dated", no leading zeros
        EXPECT_DOUBLE_EQ(item.Time, 44270.5);              // 2021-03-15 12:00 as a day count, local time kept
        EXPECT_EQ(item.HostOS, QStringLiteral("Unix"));
        EXPECT_FALSE(item.Encrypted);
    }
}

TEST_F(TRARTest, ExtractWithoutRestoreFolderPutsEveryFileIntoTheTarget) {
    const QString archive = makeTreeArchive();
    // The folder is given with "/", with "\" and without a trailing separator.
    for (const QString& suffix : {QStringLiteral("/"), QStringLiteral("\\"), QString()}) {
        SCOPED_TRACE(suffix.toStdString());
        QDir(path(QStringLiteral("out"))).removeRecursively();
        TRAR rar;
        Recorder recorder(rar);
        ASSERT_TRUE(rar.OpenFile(archive));
        EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")) + suffix, false));
        EXPECT_TRUE(recorder.errors.empty());
        EXPECT_EQ(tree(QStringLiteral("out")),
                  strings({"empty.bin", "file.dat", "second.txt", "top.txt"})); // no folders, no leftovers
        EXPECT_EQ(readFile(QStringLiteral("out/file.dat")), patternBytes(70000));
        EXPECT_EQ(readFile(QStringLiteral("out/second.txt")), QByteArray("second\n"));
        EXPECT_EQ(QFileInfo(path(QStringLiteral("out/empty.bin"))).size(), 0);
    }
}

TEST_F(TRARTest, ExtractWithRestoreFolderRecreatesTheArchiveFolders) {
    const QString archive = makeTreeArchive();
    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(archive));
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), true));
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_EQ(tree(QStringLiteral("out")), strings({"data", "data/emptydir", "data/other", "data/other/second.txt",
                                                    "data/sub", "data/sub/file.dat", "empty.bin", "top.txt"}));
    EXPECT_EQ(readFile(QStringLiteral("out/data/sub/file.dat")), patternBytes(70000));
    EXPECT_TRUE(rar.Test()); // folder entries included
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(TRARTest, FileFilterSelectsStoredNamesExactly) {
    const QString archive = makeTreeArchive();
    const struct {
        QStringList files;
        QStringList expected;
    } cases[] = {
        {strings({"data/sub/file.dat"}), strings({"file.dat"})},
        {strings({"data\\sub\\file.dat", "top.txt"}), strings({"file.dat", "top.txt"})},
        {strings({"DATA/sub/file.dat", "Top.txt", "file.dat"}), {}}, // case and the folder part count
        {{}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.join(QLatin1Char(',')).toStdString());
        QDir(path(QStringLiteral("out"))).removeRecursively();
        QDir().mkpath(path(QStringLiteral("out")));
        TRAR rar;
        ASSERT_TRUE(rar.OpenFile(archive));
        EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false, c.files));
        EXPECT_EQ(tree(QStringLiteral("out")), c.expected);
    }
}

TEST_F(TRARTest, ExistingTargetsAreReplacedUnlessOnReplaceDecidesOtherwise) {
    const QString archive = makeTreeArchive();
    const QByteArray old("old content");

    // No handler: overwritten.
    {
        writeFile(QStringLiteral("out/top.txt"), old);
        TRAR rar;
        ASSERT_TRUE(rar.OpenFile(archive));
        EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
        EXPECT_EQ(readFile(QStringLiteral("out/top.txt")), QByteArray("top\n"));
    }
    const struct {
        TRARReplace action;
        bool result;
        QByteArray top;
    } cases[] = {
        {TRARReplace::rrSkip, true, old},
        {TRARReplace::rrOverwrite, true, "top\n"},
        {TRARReplace::rrCancel, false, old},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.action));
        writeFile(QStringLiteral("out/top.txt"), old);
        TRAR rar;
        std::vector<std::pair<TRARReplaceData, TRARReplaceData>> asked;
        rar.OnReplace = [&](TRAR&, const TRARReplaceData& existing, const TRARReplaceData& incoming,
                            TRARReplace& action) {
            asked.emplace_back(existing, incoming);
            if (incoming.FileName == QStringLiteral("top.txt"))
                action = c.action;
        };
        ASSERT_TRUE(rar.OpenFile(archive));
        EXPECT_EQ(rar.Extract(path(QStringLiteral("out")), false), c.result);
        EXPECT_EQ(readFile(QStringLiteral("out/top.txt")), c.top);
        const auto top = std::find_if(asked.begin(), asked.end(),
                                      [](const auto& q) { return q.second.FileName == QStringLiteral("top.txt"); });
        ASSERT_NE(top, asked.end());
        EXPECT_EQ(top->first.FileName, path(QStringLiteral("out/top.txt")));
        EXPECT_EQ(top->first.Size, old.size());
        EXPECT_EQ(top->second.Size, 4);
        EXPECT_GT(top->second.Time, 40000.0);
    }
}

TEST_F(TRARTest, SolidArchiveExtractsAndReportsSolid) {
    for (int i = 0; i < 5; ++i)
        writeFile(QStringLiteral("src/f%1.bin").arg(i), patternBytes(20000, i));
    ASSERT_TRUE(rar(QStringLiteral("solid.rar"), {QStringLiteral(".")}, {QStringLiteral("-s"), QStringLiteral("-r")},
                    QStringLiteral("src")));
    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("solid.rar"))));
    EXPECT_TRUE(rar.ArchiveInformation().Solid());
    // Only the last file: the solid stream before it is decoded and skipped.
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false, QStringList{QStringLiteral("f4.bin")}));
    EXPECT_EQ(tree(QStringLiteral("out")), strings({"f4.bin"}));
    EXPECT_EQ(readFile(QStringLiteral("out/f4.bin")), patternBytes(20000, 4));
    EXPECT_TRUE(rar.Test());
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(TRARTest, DamagedDataFailsExtractAndTestWithoutLeavingAFile) {
    writeFile(QStringLiteral("src/big.bin"), patternBytes(200000));
    ASSERT_TRUE(rar(QStringLiteral("damaged.rar"), {QStringLiteral("big.bin")}, {QStringLiteral("-m0")},
                    QStringLiteral("src")));
    flipByte(QStringLiteral("damaged.rar"), 100000);

    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("damaged.rar")))); // headers are intact
    EXPECT_FALSE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_EQ(recorder.errors, (std::vector<ReportedError>{{RARError::BadData, TRAROperation::roExtract}}));
    EXPECT_TRUE(tree(QStringLiteral("out")).isEmpty());

    recorder.errors.clear();
    EXPECT_FALSE(rar.Test());
    EXPECT_EQ(recorder.errors, (std::vector<ReportedError>{{RARError::BadData, TRAROperation::roTest}}));
}

TEST_F(TRARTest, DamagedHeaderFailsOpen) {
    writeFile(QStringLiteral("src/a.txt"), "aaaa");
    writeFile(QStringLiteral("src/b.txt"), "bbbb");
    ASSERT_TRUE(rar(QStringLiteral("header.rar"), {QStringLiteral("a.txt"), QStringLiteral("b.txt")}, {},
                    QStringLiteral("src")));
    // The name of the first file header, well after the signature and main header.
    const qint64 nameAt = readFile(QStringLiteral("header.rar")).indexOf("a.txt");
    ASSERT_GT(nameAt, 0);
    flipByte(QStringLiteral("header.rar"), nameAt);

    TRAR rar;
    Recorder recorder(rar);
    EXPECT_FALSE(rar.OpenFile(path(QStringLiteral("header.rar"))));
    ASSERT_FALSE(recorder.errors.empty());
    EXPECT_EQ(recorder.errors.front().operation, TRAROperation::roListFiles);
    EXPECT_FALSE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_FALSE(exists(QStringLiteral("out/b.txt")) && exists(QStringLiteral("out/a.txt")));
}

TEST_F(TRARTest, NotAnArchiveOrMissingFailsWithError99) {
    writeFile(QStringLiteral("junk.rar"), "this is not a RAR archive at all");
    for (const QString& name : {QStringLiteral("junk.rar"), QStringLiteral("missing.rar")}) {
        TRAR rar;
        Recorder recorder(rar);
        EXPECT_FALSE(rar.OpenFile(path(name)));
        EXPECT_EQ(recorder.errors,
                  (std::vector<ReportedError>{{RARError::NotAvailable, TRAROperation::roInitArchive}}));
    }
}

// Under a locale whose character set is not UTF-8 the library would cut "Ströme/..." down
// to "Str" and write there: such names are refused instead, and nothing is written.
TEST_F(TRARTest, NamesTheLocaleCannotCarryAreRefused) {
    writeFile(QStringLiteral("src/File_4.BIN"), "four");
    ASSERT_TRUE(rar(QStringLiteral("plain.rar"), {QStringLiteral("File_4.BIN")}, {}, QStringLiteral("src")));
    ASSERT_TRUE(QFile::copy(path(QStringLiteral("plain.rar")), path(QStringLiteral("Ärchiv.rar"))));
    const std::string previous = setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(setlocale(LC_CTYPE, "C"), nullptr);
    const QStringList before = tree();

    TRAR rar;
    Recorder recorder(rar);
    EXPECT_FALSE(rar.OpenFile(path(QStringLiteral("Ärchiv.rar"))));
    EXPECT_EQ(recorder.errors, (std::vector<ReportedError>{{RARError::NotAvailable, TRAROperation::roInitArchive}}));
    recorder.errors.clear();
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("plain.rar"))));
    EXPECT_FALSE(rar.Extract(path(QStringLiteral("Ströme")), false));
    EXPECT_EQ(recorder.errors, (std::vector<ReportedError>{{RARError::EntryRefused, TRAROperation::roExtract}}));
    EXPECT_EQ(tree(), before);
    // ASCII names pass under any locale.
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("Streams")), false));
    EXPECT_EQ(readFile(QStringLiteral("Streams/File_4.BIN")), QByteArray("four"));
    setlocale(LC_CTYPE, previous.c_str());
}

TEST_F(TRARTest, PasswordsComeFromOnPasswordRequired) {
    writeFile(QStringLiteral("src/secret.txt"), "secret content");
    ASSERT_TRUE(rar(QStringLiteral("files.rar"), {QStringLiteral("secret.txt")}, {QStringLiteral("-psesame")},
                    QStringLiteral("src")));
    ASSERT_TRUE(rar(QStringLiteral("headers.rar"), {QStringLiteral("secret.txt")}, {QStringLiteral("-hpsesame")},
                    QStringLiteral("src")));

    const struct {
        const char* archive;
        QString password;
        bool cancel;
        bool extracted;
        bool headerPassword;
    } cases[] = {
        {"files.rar", QStringLiteral("sesame"), false, true, false},
        {"files.rar", QStringLiteral("wrong"), false, false, false},
        {"files.rar", QString(), true, false, false},
        {"headers.rar", QStringLiteral("sesame"), false, true, true},
        {"headers.rar", QString(), true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.password.toStdString());
        QDir(path(QStringLiteral("out"))).removeRecursively();
        TRAR rar;
        Recorder recorder(rar);
        std::vector<std::pair<bool, QString>> asked;
        rar.OnPasswordRequired = [&](TRAR&, bool header, const QString& name, QString& password, bool& cancel) {
            asked.emplace_back(header, name);
            password = c.password;
            cancel = c.cancel;
        };
        const bool opened = rar.OpenFile(path(QString::fromLatin1(c.archive)));
        const bool extracted = opened && rar.Extract(path(QStringLiteral("out")), false);
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.front().first, c.headerPassword);
        EXPECT_EQ(asked.front().second,
                  c.headerPassword ? path(QString::fromLatin1(c.archive)) : QStringLiteral("secret.txt"));
        EXPECT_EQ(rar.ArchiveInformation().HeaderEncrypted(), c.headerPassword);
        EXPECT_EQ(extracted, c.extracted);
        EXPECT_EQ(readFile(QStringLiteral("out/secret.txt")),
                  c.extracted ? QByteArray("secret content") : QByteArray());
        EXPECT_EQ(exists(QStringLiteral("out/secret.txt")), c.extracted);
        if (!c.extracted) {
            EXPECT_FALSE(recorder.errors.empty());
        }
    }
}

TEST_F(TRARTest, MultiVolumeArchiveExtractsAcrossVolumes) {
    writeFile(QStringLiteral("src/big.bin"), patternBytes(300000));
    ASSERT_TRUE(rar(QStringLiteral("vol.rar"), {QStringLiteral("big.bin")},
                    {QStringLiteral("-v100k"), QStringLiteral("-m0")}, QStringLiteral("src")));
    ASSERT_TRUE(exists(QStringLiteral("vol.part1.rar")));
    ASSERT_TRUE(exists(QStringLiteral("vol.part3.rar")));

    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("vol.part1.rar"))));
    EXPECT_TRUE(rar.ArchiveInformation().MultiVolume());
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_EQ(readFile(QStringLiteral("out/big.bin")), patternBytes(300000));

    // Listing through to the end counts the split file once, with the packed size of all parts.
    TRAR whole;
    Recorder wholeRecorder(whole);
    whole.setReadMultiVolumeToEnd(true);
    ASSERT_TRUE(whole.OpenFile(path(QStringLiteral("vol.part1.rar"))));
    ASSERT_EQ(wholeRecorder.listed.size(), 1u);
    EXPECT_GE(wholeRecorder.listed.front().CompressedSize, 300000u);
    EXPECT_EQ(whole.ArchiveInformation().TotalFiles(), 1);

    // A missing volume: the handler names where it is; without a handler extraction fails.
    QFile::rename(path(QStringLiteral("vol.part3.rar")), path(QStringLiteral("moved.rar")));
    QDir(path(QStringLiteral("out"))).removeRecursively();
    EXPECT_FALSE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_FALSE(recorder.errors.empty());
    EXPECT_FALSE(exists(QStringLiteral("out/big.bin")));

    QStringList asked;
    rar.OnNextVolumeRequired = [&](TRAR&, const QString& required, QString& newName, bool&) {
        asked << required;
        if (required == path(QStringLiteral("vol.part3.rar")))
            newName = path(QStringLiteral("moved.rar"));
    };
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_EQ(asked, QStringList{path(QStringLiteral("vol.part3.rar"))});
    EXPECT_EQ(readFile(QStringLiteral("out/big.bin")), patternBytes(300000));
}

TEST_F(TRARTest, ProgressReportsEveryByteAndAbortStopsWithoutAFile) {
    writeFile(QStringLiteral("src/a.bin"), patternBytes(3 * 1024 * 1024, 1));
    writeFile(QStringLiteral("src/b.bin"), patternBytes(1024 * 1024, 2));
    ASSERT_TRUE(
        rar(QStringLiteral("p.rar"), {QStringLiteral("a.bin"), QStringLiteral("b.bin")}, {}, QStringLiteral("src")));
    TRAR rar;
    qint64 lastDone = 0;
    QStringList names;
    rar.OnProgress = [&](TRAR&, const QString& name, qint64 total, qint64 done, qint64 fileTotal, qint64 fileDone) {
        EXPECT_EQ(total, 4 * 1024 * 1024);
        EXPECT_LE(fileDone, fileTotal);
        lastDone = done;
        if (!names.contains(name))
            names << name;
    };
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("p.rar"))));
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_EQ(lastDone, 4 * 1024 * 1024);
    EXPECT_EQ(names, strings({"a.bin", "b.bin"}));

    QDir(path(QStringLiteral("out"))).removeRecursively();
    rar.OnProgress = [](TRAR& sender, const QString&, qint64, qint64, qint64, qint64) { sender.Abort(); };
    EXPECT_FALSE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_TRUE(tree(QStringLiteral("out")).isEmpty());
}

TEST_F(TRARTest, LibraryThatCannotBeLoadedGivesError99) {
    TRAR rar;
    Recorder recorder(rar);
    rar.UnloadDLL();
    rar.setDllName(QStringLiteral("libunrar-does-not-exist.so.0"));
    writeFile(QStringLiteral("src/a.txt"), "a");
    ASSERT_TRUE(UnpackFixture::rar(QStringLiteral("a.rar"), {QStringLiteral("a.txt")}, {}, QStringLiteral("src")));

    EXPECT_FALSE(rar.OpenFile(path(QStringLiteral("a.rar"))));
    EXPECT_FALSE(TRAR::isDLLLoaded());
    EXPECT_EQ(rar.GetDllVersion(), 0);
    EXPECT_EQ(recorder.errors, (std::vector<ReportedError>{{RARError::NotAvailable, TRAROperation::roInitArchive},
                                                           {RARError::NotAvailable, TRAROperation::roInitArchive}}));

    rar.setDllName(QString::fromLatin1(TRAR::kDefaultDllName));
    EXPECT_GE(rar.GetDllVersion(), 4);
    EXPECT_TRUE(TRAR::isDLLLoaded());
    EXPECT_TRUE(rar.OpenFile(path(QStringLiteral("a.rar"))));
    EXPECT_EQ(TRAR::Version(), QStringLiteral("1.2"));
}

TEST_F(TRARTest, HundredMebibyteFileRoundTrips) {
    const QByteArray content = patternBytes(100 * 1024 * 1024, 7);
    writeFile(QStringLiteral("src/large.bin"), content);
    ASSERT_TRUE(rar(QStringLiteral("large.rar"), {QStringLiteral("large.bin")}, {QStringLiteral("-m0")},
                    QStringLiteral("src")));
    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("large.rar"))));
    EXPECT_EQ(rar.ArchiveInformation().UnCompressedSize(), content.size());
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_TRUE(recorder.errors.empty());
    EXPECT_TRUE(readFile(QStringLiteral("out/large.bin")) == content);
}

// Sizes past 32 bits. Slow (about 13 GB of disk traffic), so it runs only when
// KALDORIA_HUGE_TESTS=1 is set and at least 20 GiB are free.
TEST_F(TRARTest, FileOverFourGibibytesRoundTrips) {
    if (qEnvironmentVariableIntValue("KALDORIA_HUGE_TESTS") != 1)
        GTEST_SKIP() << "set KALDORIA_HUGE_TESTS=1 to run";
    if (QStorageInfo(path({})).bytesAvailable() < qint64(20) << 30)
        GTEST_SKIP() << "less than 20 GiB free";

    // A sparse file with marks at its start, across the 4 GiB boundary and at its end.
    const qint64 size = (qint64(4) << 30) + 12345;
    const QString source = writeFile(QStringLiteral("src/huge.bin"), "start");
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(size));
        file.seek((qint64(4) << 30) - 3);
        file.write("boundary");
        file.seek(size - 3);
        file.write("end");
    }
    ASSERT_TRUE(
        rar(QStringLiteral("huge.rar"), {QStringLiteral("huge.bin")}, {QStringLiteral("-m0")}, QStringLiteral("src")));
    TRAR rar;
    Recorder recorder(rar);
    ASSERT_TRUE(rar.OpenFile(path(QStringLiteral("huge.rar"))));
    ASSERT_EQ(recorder.listed.size(), 1u);
    EXPECT_EQ(recorder.listed.front().UnCompressedSize, static_cast<quint64>(size));
    EXPECT_EQ(rar.ArchiveInformation().UnCompressedSize(), size);
    qint64 lastDone = 0;
    rar.OnProgress = [&](TRAR&, const QString&, qint64, qint64 done, qint64, qint64) { lastDone = done; };
    EXPECT_TRUE(rar.Extract(path(QStringLiteral("out")), false));
    EXPECT_EQ(lastDone, size);
    EXPECT_TRUE(recorder.errors.empty());

    const auto md5 = [](const QString& name) {
        QFile file(name);
        QCryptographicHash hash(QCryptographicHash::Md5);
        return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
    };
    EXPECT_EQ(QFileInfo(path(QStringLiteral("out/huge.bin"))).size(), size);
    EXPECT_EQ(md5(path(QStringLiteral("out/huge.bin"))), md5(source));
}

} // namespace
