#include "download/TDownloadMultiThread.h"

#include "FaultServer.h"
#include "LocalPorts.h"
#include "NginxServer.h"
#include "ScopedAuthority.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "download/SegmentPlan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::download;
using namespace kaldoria::testsupport;
using namespace std::chrono_literals;

namespace {

const DownloadTimings kTimings{.watchdog = 300ms, .progress = 50ms, .dispatch = 20ms};

QByteArray readAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

// The "bytes=a-b" ranges of the GET requests for `name` in an nginx access log.
QStringList requestedRanges(const QStringList& log, const QString& name) {
    QStringList ranges;
    for (const QString& line : log) {
        if (line.startsWith(QStringLiteral("GET /") + name + u' '))
            ranges.append(line.section(u'"', 1, 1));
    }
    ranges.sort();
    return ranges;
}

QStringList plannedRanges(qint64 length, int threads) {
    QStringList ranges;
    for (const SegmentRange& range : planSegments(length, threads))
        ranges.append(QStringLiteral("bytes=%1-%2").arg(range.first).arg(range.last));
    ranges.sort();
    return ranges;
}

// A downloader with short timings that records its progress reports.
struct RecordingDownloader {
    RecordingDownloader() : downloader(kTimings) {
        downloader.OnProgress = [this](TDownloadMultiThread&, qint64 loaded, qint64 size) {
            reports.append({loaded, size});
        };
    }
    TDownloadMultiThread downloader;
    QList<std::pair<qint64, qint64>> reports;
};

// nginx serving files of the sizes below, started once for the suite.
class NginxDownload : public ::testing::TestWithParam<std::tuple<qint64, bool>> {
protected:
    static void SetUpTestSuite() {
        s_folder = new QTemporaryDir;
        for (const qint64 size : kSizes)
            writePatternFile(s_folder->filePath(fileName(size)), size);
        s_nginx = new NginxServer({.root = s_folder->path()});
        ASSERT_TRUE(s_nginx->start()) << s_nginx->errorText().toStdString();
    }
    static void TearDownTestSuite() {
        delete s_nginx;
        delete s_folder;
    }
    static QString fileName(qint64 size) { return QStringLiteral("f%1.bin").arg(size); }

public:
    static constexpr qint64 kSizes[] = {0, 1, 99999, 100000, 999999, 1000000, 1000003};

protected:
    static inline QTemporaryDir* s_folder = nullptr;
    static inline NginxServer* s_nginx = nullptr;
};

} // namespace

// Every size arrives byte for byte, in the planned ranges, with a final report of the whole
// length; a file of 0 bytes is a failure that creates nothing.
TEST_P(NginxDownload, ArrivesWholeInThePlannedRanges) {
    const auto [size, partFiles] = GetParam();
    QTemporaryDir work;
    const QString target = work.filePath(QStringLiteral("target.bin"));
    RecordingDownloader run;
    run.downloader.SetThreads(6);
    run.downloader.ThreadUseFileStream = partFiles;
    run.downloader.TmpFolder = work.path() + u'/';
    const qsizetype logBefore = s_nginx->accessLog().size();

    run.downloader.GetFile(s_nginx->url(fileName(size)), target);

    const QStringList log = s_nginx->accessLog().mid(logBefore);
    if (size == 0) {
        EXPECT_TRUE(run.downloader.HaveError());
        EXPECT_FALSE(QFile::exists(target));
        return;
    }
    EXPECT_FALSE(run.downloader.HaveError());
    EXPECT_TRUE(sameFileContents(target, s_folder->filePath(fileName(size))));
    EXPECT_EQ(requestedRanges(log, fileName(size)), plannedRanges(size, 6));
    ASSERT_FALSE(run.reports.isEmpty());
    EXPECT_EQ(run.reports.last(), std::make_pair(size, size));
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList{QStringLiteral("target.bin")});
    // The first segment goes on over the length request's connection.
    ASSERT_TRUE(log.first().startsWith(QStringLiteral("HEAD ")));
    const QString connection = log.first().section(u' ', 5, 5);
    EXPECT_TRUE(std::any_of(log.begin() + 1, log.end(), [&](const QString& line) {
        return line.contains(QStringLiteral("\"bytes=0-")) && line.section(u' ', 5, 5) == connection;
    }));
}

INSTANTIATE_TEST_SUITE_P(Sizes, NginxDownload,
                         ::testing::Combine(::testing::ValuesIn(NginxDownload::kSizes), ::testing::Bool()),
                         [](const auto& info) {
                             return "Bytes" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "PartFiles" : "InPlace");
                         });

TEST(NginxDownloadRanges, WorkedExampleReachesTheServer) {
    QTemporaryDir folder;
    writePatternFile(folder.filePath(QStringLiteral("file.bin")), 1000003);
    NginxServer nginx({.root = folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(6);
    downloader.GetFile(nginx.url(QStringLiteral("file.bin")), folder.filePath(QStringLiteral("copy.bin")));
    EXPECT_FALSE(downloader.HaveError());
    EXPECT_EQ(requestedRanges(nginx.accessLog(), QStringLiteral("file.bin")),
              (QStringList{QStringLiteral("bytes=0-166666"), QStringLiteral("bytes=166667-333333"),
                           QStringLiteral("bytes=333334-500000"), QStringLiteral("bytes=500001-666667"),
                           QStringLiteral("bytes=666668-833334"), QStringLiteral("bytes=833335-1000002")}));
}

TEST(NginxDownloadLarge, QuarterGibibyteArrivesWhole) {
    QTemporaryDir folder; // under /tmp, removed with everything in it
    const QString source = folder.filePath(QStringLiteral("big.bin"));
    ASSERT_TRUE(writePatternFile(source, 256ll << 20));
    NginxServer nginx({.root = folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(6);
    const QString target = folder.filePath(QStringLiteral("copy.bin"));
    downloader.GetFile(nginx.url(QStringLiteral("big.bin")), target);
    EXPECT_FALSE(downloader.HaveError());
    EXPECT_TRUE(sameFileContents(source, target));
}

TEST(NginxDownloadTls, HttpsWithAPrivateAuthority) {
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    QTemporaryDir folder;
    writePatternFile(folder.filePath(QStringLiteral("file.bin")), 1000003);
    NginxServer nginx({.root = folder.path(), .certFile = certificates.certFile(), .keyFile = certificates.keyFile()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    ScopedAuthority authority("SSL_CERT_FILE", certificates.caFile());
    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(6);
    downloader.GetFile(nginx.url(QStringLiteral("file.bin")), folder.filePath(QStringLiteral("copy.bin")));
    EXPECT_FALSE(downloader.HaveError());
    EXPECT_TRUE(
        sameFileContents(folder.filePath(QStringLiteral("file.bin")), folder.filePath(QStringLiteral("copy.bin"))));
}

namespace {

constexpr qint64 kFaultFileSize = 300000; // two segments of 150000 bytes

enum class TargetState {
    Untouched,       // the earlier content is still there
    Identical,       // the server's file
    ZerosInSecond,   // the first range right, the second all zeros
    AnnouncedLength, // exists with the announced length, content not to be used
};

struct FaultCase {
    const char* name;
    QStringList arguments;
    bool haveError;
    TargetState state;
    int threads = 2;
    qint64 announced = kFaultFileSize;
};

class FaultDownload : public ::testing::TestWithParam<FaultCase> {};

QStringList args(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

} // namespace

// Each misbehaviour of the server gives the verdict and the target the downloader promises.
TEST_P(FaultDownload, GivesTheVerdictAndTarget) {
    const FaultCase& c = GetParam();
    QTemporaryDir folder;
    const QByteArray bytes = patternBytes(kFaultFileSize);
    writeAll(folder.filePath(QStringLiteral("file.bin")), bytes);
    const QString target = folder.filePath(QStringLiteral("target.bin"));
    writeAll(target, "earlier content");
    FaultServer server(folder.filePath(QStringLiteral("file.bin")), c.arguments);
    ASSERT_TRUE(server.start());

    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(c.threads);
    downloader.GetFile(server.url(), target);

    EXPECT_EQ(downloader.HaveError(), c.haveError);
    const QByteArray got = readAll(target);
    switch (c.state) {
    case TargetState::Untouched:
        EXPECT_EQ(got, QByteArray("earlier content"));
        break;
    case TargetState::Identical:
        EXPECT_TRUE(got == bytes);
        break;
    case TargetState::ZerosInSecond:
        EXPECT_TRUE(got.left(150000) == bytes.left(150000));
        EXPECT_TRUE(got.mid(150000) == QByteArray(150000, '\0'));
        break;
    case TargetState::AnnouncedLength:
        EXPECT_EQ(got.size(), c.announced);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultDownload,
    ::testing::Values(
        FaultCase{"HeadWithoutLength", args({"--fault", "head-no-length"}), true, TargetState::Untouched},
        FaultCase{"HeadLengthZero", args({"--fault", "head-length", "--length", "0"}), true, TargetState::Untouched},
        FaultCase{"LengthBeyondFreeSpace", args({"--fault", "head-length", "--length", "4611686018427387904"}), true,
                  TargetState::Untouched},
        FaultCase{"HeadLengthLongerThanFile", args({"--fault", "head-length", "--length", "400000"}), true,
                  TargetState::AnnouncedLength, 2, 400000},
        FaultCase{"NotFoundForOneSegment", args({"--fault", "status-404", "--range-first", "150000"}), true,
                  TargetState::ZerosInSecond},
        FaultCase{"StallBeforeFirstByteOnce", args({"--fault", "stall-before", "--times", "1", "--stall", "1.5"}),
                  false, TargetState::Identical},
        FaultCase{"StallInMidRangeOnce", args({"--fault", "stall-mid", "--times", "1", "--stall", "1.5"}), false,
                  TargetState::Identical},
        FaultCase{"OneSegmentStallsFourTimes", args({"--fault", "stall-before", "--range-first", "150000"}), true,
                  TargetState::ZerosInSecond},
        FaultCase{"CutInMidRange", args({"--fault", "cut-mid", "--range-first", "150000"}), true,
                  TargetState::AnnouncedLength},
        FaultCase{"WholeFileInsteadOfRanges", args({"--fault", "ignore-range"}), true, TargetState::ZerosInSecond},
        FaultCase{"WholeFileForTheOnlySegment", args({"--fault", "ignore-range"}), false, TargetState::Identical, 1},
        FaultCase{"MoreBytesThanAsked", args({"--fault", "overlong"}), true, TargetState::AnnouncedLength},
        // The whole range arrived before the connection broke: nothing is missing.
        FaultCase{"ContentLengthLongerThanRange", args({"--fault", "long-length", "--range-first", "150000"}), false,
                  TargetState::Identical},
        // libcurl sees a complete answer; the part is still short of the range.
        FaultCase{"ContentLengthShorterThanRange", args({"--fault", "short-length", "--range-first", "150000"}), true,
                  TargetState::AnnouncedLength}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DownloadFailure, RefusedLengthRequestTouchesNothing) {
    QTemporaryDir folder;
    TDownloadMultiThread downloader(kTimings);
    downloader.GetFile(QStringLiteral("http://127.0.0.1:%1/file.bin").arg(unusedLocalPort()),
                       folder.filePath(QStringLiteral("target.bin")));
    EXPECT_TRUE(downloader.HaveError());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("target.bin"))));
}

TEST(DownloadFailure, PartFilesThatCannotBeCreatedFailTheDownload) {
    QTemporaryDir folder;
    writePatternFile(folder.filePath(QStringLiteral("file.bin")), kFaultFileSize);
    FaultServer server(folder.filePath(QStringLiteral("file.bin")), {});
    ASSERT_TRUE(server.start());
    TDownloadMultiThread downloader(kTimings);
    downloader.ThreadUseFileStream = true;
    downloader.TmpFolder = folder.filePath(QStringLiteral("missing/"));
    downloader.GetFile(server.url(), folder.filePath(QStringLiteral("target.bin")));
    EXPECT_TRUE(downloader.HaveError());
}

// A second download on the same object after a failed one starts from clean slots.
TEST(DownloadFailure, NextDownloadStartsClean) {
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("file.bin"));
    writePatternFile(source, kFaultFileSize);
    FaultServer server(source, args({"--fault", "status-404", "--times", "1", "--range-first", "150000"}));
    ASSERT_TRUE(server.start());
    RecordingDownloader run;
    run.downloader.SetThreads(2);
    const QString target = folder.filePath(QStringLiteral("target.bin"));
    run.downloader.GetFile(server.url(), target);
    EXPECT_TRUE(run.downloader.HaveError());
    run.reports.clear();
    run.downloader.GetFile(server.url(), target);
    EXPECT_FALSE(run.downloader.HaveError());
    EXPECT_TRUE(sameFileContents(source, target));
    EXPECT_EQ(run.reports.last(), std::make_pair(kFaultFileSize, kFaultFileSize));
    EXPECT_TRUE(std::all_of(run.downloader.Status().begin(), run.downloader.Status().begin() + 2,
                            [](const TSegmentStatus& slot) { return slot.Complete; }));
}

// Stop from a handler while segments run: GetFile returns, the target and every part file
// are gone.
TEST(DownloadStop, RemovesTargetAndPartFiles) {
    QTemporaryDir folder;
    writePatternFile(folder.filePath(QStringLiteral("file.bin")), 4000000);
    NginxServer nginx({.root = folder.path(), .limitRate = QStringLiteral("200k")});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    QTemporaryDir work;
    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(4);
    downloader.ThreadUseFileStream = true;
    downloader.TmpFolder = work.path() + u'/';
    downloader.OnProgress = [](TDownloadMultiThread& sender, qint64 loaded, qint64) {
        if (loaded > 0)
            sender.Stop();
    };
    const QString target = work.filePath(QStringLiteral("target.bin"));
    downloader.GetFile(nginx.url(QStringLiteral("file.bin")), target);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(QDir(work.path()).entryList(QDir::Files).isEmpty());
}
