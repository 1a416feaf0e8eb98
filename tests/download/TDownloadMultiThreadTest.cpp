#include "download/TDownloadMultiThread.h"

#include "Arguments.h"
#include "FaultServer.h"
#include "LocalPorts.h"
#include "NginxServer.h"
#include "PlainHttpServer.h"
#include "ScopedAuthority.h"
#include "TestCertificates.h"
#include "TestFiles.h"
#include "download/SegmentPlan.h"
#include "platform/TerminateRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kaldoria::download;
using namespace kaldoria::testsupport;
using namespace std::chrono_literals;

namespace {

// A watchdog that never cuts a healthy answer on a busy machine, and one for planned stalls.
const DownloadTimings kTimings{.watchdog = 60s, .progress = 50ms, .dispatch = 20ms};
const DownloadTimings kStallTimings{.watchdog = 1s, .progress = 50ms, .dispatch = 20ms};

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

    const QStringList log = s_nginx->accessLog(logBefore + 1 + planSegments(size, 6).size()).mid(logBefore);
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

TEST(NginxDownloadRanges, WorkedExamplesReachTheServer) {
    const struct {
        qint64 length;
        int threads;
        QStringList ranges;
    } cases[] = {
        {1000003,
         6,
         {QStringLiteral("bytes=0-166666"), QStringLiteral("bytes=166667-333333"),
          QStringLiteral("bytes=333334-500000"), QStringLiteral("bytes=500001-666667"),
          QStringLiteral("bytes=666668-833334"), QStringLiteral("bytes=833335-1000002")}},
        {150003, 2, {QStringLiteral("bytes=0-75001"), QStringLiteral("bytes=75002-150002")}},
        {150001, 2, {QStringLiteral("bytes=0-74999"), QStringLiteral("bytes=75000-150000")}},
    };
    QTemporaryDir folder;
    for (const auto& c : cases)
        writePatternFile(folder.filePath(QStringLiteral("f%1.bin").arg(c.length)), c.length);
    qsizetype logLines = 0;
    NginxServer nginx({.root = folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    for (const auto& c : cases) {
        const QString name = QStringLiteral("f%1.bin").arg(c.length);
        TDownloadMultiThread downloader(kTimings);
        downloader.SetThreads(c.threads);
        downloader.GetFile(nginx.url(name), folder.filePath(QStringLiteral("copy.bin")));
        EXPECT_FALSE(downloader.HaveError());
        logLines += 1 + c.ranges.size();
        EXPECT_EQ(requestedRanges(nginx.accessLog(logLines), name), c.ranges) << c.length;
    }
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
    DownloadTimings timings = kTimings;
};

class FaultDownload : public ::testing::TestWithParam<FaultCase> {};

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

    TDownloadMultiThread downloader(c.timings);
    downloader.SetThreads(c.threads);
    downloader.GetFile(server.url(), target);

    EXPECT_EQ(downloader.HaveError(), c.haveError);
    EXPECT_EQ(downloader.LastFailure().kind == DownloadFailure::Kind::None, !downloader.HaveError())
        << downloader.LastFailure().describe().toStdString();
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
        FaultCase{"StallBeforeFirstByteOnce", args({"--fault", "stall-before", "--times", "1", "--stall", "2.5"}),
                  false, TargetState::Identical, 2, kFaultFileSize, kStallTimings},
        FaultCase{"StallInMidRangeOnce", args({"--fault", "stall-mid", "--times", "1", "--stall", "4"}), false,
                  TargetState::Identical, 2, kFaultFileSize, kStallTimings},
        FaultCase{"OneSegmentStallsFourTimes", args({"--fault", "stall-before", "--range-first", "150000"}), true,
                  TargetState::ZerosInSecond, 2, kFaultFileSize, kStallTimings},
        FaultCase{"CutInMidRange", args({"--fault", "cut-mid", "--range-first", "150000"}), true,
                  TargetState::AnnouncedLength},
        // Ranges offered but answered with the whole file: the file is fetched whole.
        FaultCase{"WholeFileInsteadOfRanges", args({"--fault", "ignore-range"}), false, TargetState::Identical},
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

namespace {

// Answers HEAD with a length when told to and nothing else ever: a download then waits for
// ever, in its length request or in its segments.
class SilentServer : public QTcpServer {
public:
    explicit SilentServer(bool answerHead) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, answerHead] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket, answerHead] {
                    if (answerHead && socket->readAll().startsWith("HEAD "))
                        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 300000\r\nAccept-Ranges: bytes\r\n\r\n");
                });
            }
        });
    }
};

} // namespace

// A terminate request made while GetFile waits (here by a timer, as the close action would)
// ends the program at once, whether the wait is the length request's or the segments'. A
// hook stands in for the end of the program; GetFile then returns without a target.
TEST(DownloadTerminate, RequestWhileWaitingEndsTheProgram) {
    using kaldoria::platform::TerminateRequest;
    for (const bool answerHead : {false, true}) {
        int ended = 0;
        TerminateRequest::setEndProgramHook([&] { ++ended; });
        SilentServer server(answerHead);
        QTemporaryDir folder;
        TDownloadMultiThread downloader(kTimings);
        QTimer::singleShot(200, [] { TerminateRequest::request(); });
        downloader.GetFile(QStringLiteral("http://127.0.0.1:%1/file.bin").arg(server.serverPort()),
                           folder.filePath(QStringLiteral("target.bin")));
        EXPECT_GE(ended, 1) << "answering HEAD: " << answerHead;
        EXPECT_EQ(downloader.SegmentCount(), answerHead ? 2 : 0); // which wait was ended
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("target.bin"))));
        TerminateRequest::setEndProgramHook({});
        TerminateRequest::reset();
    }
}

// A server without byte ranges gets one request for the whole file, however many segments
// its length would give.
TEST(WholeFileDownload, ServerWithoutRangesIsAskedOnceForTheWholeFile) {
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("file.bin"));
    ASSERT_TRUE(writePatternFile(source, 1000003));
    PlainHttpServer server(folder.path());
    ASSERT_TRUE(server.start());
    RecordingDownloader run;
    run.downloader.SetThreads(6);
    const QString target = folder.filePath(QStringLiteral("copy.bin"));
    run.downloader.GetFile(server.url(QStringLiteral("file.bin")), target);
    EXPECT_FALSE(run.downloader.HaveError()) << run.downloader.LastFailure().describe().toStdString();
    EXPECT_TRUE(sameFileContents(source, target));
    EXPECT_EQ(run.downloader.SegmentCount(), 1);
    EXPECT_EQ(run.reports.last(), std::make_pair(qint64(1000003), qint64(1000003)));
    EXPECT_EQ(server.count(QStringLiteral("GET"), 2), 1);
}

namespace {

// The failure a download of `url` into a fresh folder reports; part files go to `tmpFolder`
// when one is given.
DownloadFailure failureOf(const QString& url, const QString& tmpFolder = {}) {
    QTemporaryDir work;
    TDownloadMultiThread downloader(kTimings);
    downloader.SetThreads(1);
    downloader.ThreadUseFileStream = !tmpFolder.isEmpty();
    downloader.TmpFolder = tmpFolder;
    downloader.GetFile(url, work.filePath(QStringLiteral("target.bin")));
    EXPECT_EQ(downloader.HaveError(), downloader.LastFailure().kind != DownloadFailure::Kind::None);
    return downloader.LastFailure();
}

} // namespace

// Each way a download fails keeps its reason up to the caller.
TEST(DownloadFailure, KeepsTheReason) {
    using Kind = DownloadFailure::Kind;
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    QTemporaryDir folder;
    writePatternFile(folder.filePath(QStringLiteral("file.bin")), kFaultFileSize);
    NginxServer nginx({.root = folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    NginxServer secure({.root = folder.path(), .certFile = certificates.certFile(), .keyFile = certificates.keyFile()});
    ASSERT_TRUE(secure.start()) << secure.errorText().toStdString();
    FaultServer segment404(folder.filePath(QStringLiteral("file.bin")), args({"--fault", "status-404"}));
    ASSERT_TRUE(segment404.start());
    FaultServer huge(folder.filePath(QStringLiteral("file.bin")),
                     args({"--fault", "head-length", "--length", "4611686018427387904"}));
    ASSERT_TRUE(huge.start());
    ScopedAuthority systemStoreOnly(nullptr, QString());

    DownloadFailure failure = failureOf(nginx.url(QStringLiteral("file.bin")));
    EXPECT_EQ(failure.kind, Kind::None);

    failure = failureOf(nginx.url(QStringLiteral("missing.bin")));
    EXPECT_EQ(failure.kind, Kind::HttpStatus);
    EXPECT_EQ(failure.describe(), QStringLiteral("HTTP status 404"));

    failure = failureOf(segment404.url());
    EXPECT_EQ(failure.kind, Kind::HttpStatus);
    EXPECT_EQ(failure.describe(), QStringLiteral("HTTP status 404"));

    failure = failureOf(QStringLiteral("http://127.0.0.1:%1/file.bin").arg(unusedLocalPort()));
    EXPECT_EQ(failure.kind, Kind::Connect);
    EXPECT_TRUE(failure.describe().startsWith(QStringLiteral("connection refused")))
        << failure.describe().toStdString();

    failure = failureOf(secure.url(QStringLiteral("file.bin")));
    EXPECT_EQ(failure.kind, Kind::Certificate);
    EXPECT_TRUE(failure.describe().startsWith(QStringLiteral("certificate not trusted: ")))
        << failure.describe().toStdString();

    failure = failureOf(huge.url());
    EXPECT_EQ(failure.kind, Kind::DiskFull);
    EXPECT_EQ(failure.bytesNeeded, 4611686018427387904);
    EXPECT_GT(failure.bytesFree, 0);
    EXPECT_TRUE(failure.describe().startsWith(QStringLiteral("disk full: 4398046511104.0 MiB needed, ")))
        << failure.describe().toStdString();

    // A part file that is the full device: the disk fills up in mid-download.
    QTemporaryDir parts;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), parts.filePath(QStringLiteral("_part_1.tmp"))));
    failure = failureOf(nginx.url(QStringLiteral("file.bin")), parts.path() + u'/');
    EXPECT_EQ(failure.kind, Kind::DiskFull) << failure.describe().toStdString();
    EXPECT_EQ(failure.bytesNeeded, kFaultFileSize);
}

TEST(DownloadFailure, DescribesItselfInOneLine) {
    using Kind = DownloadFailure::Kind;
    const struct {
        DownloadFailure failure;
        const char* text;
    } cases[] = {
        {{}, "no failure"},
        {{.kind = Kind::HttpStatus, .httpStatus = 301, .message = QStringLiteral("Maximum (5) redirects followed")},
         "HTTP status 301: Maximum (5) redirects followed"},
        {{.kind = Kind::DiskFull, .bytesNeeded = 12582912, .bytesFree = 3250586},
         "disk full: 12.0 MiB needed, 3.1 MiB free"},
        {{.kind = Kind::Transfer, .message = QStringLiteral("short body")}, "transfer failed: short body"},
        {{.kind = Kind::Connect, .message = QStringLiteral("no route")}, "cannot connect: no route"},
        {{.kind = Kind::Aborted}, "aborted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.failure.describe(), QString::fromUtf8(c.text));
}
