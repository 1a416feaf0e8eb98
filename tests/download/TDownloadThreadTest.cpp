#include "download/TDownloadThread.h"

#include "Arguments.h"
#include "FaultServer.h"
#include "LocalPorts.h"
#include "TestFiles.h"
#include "platform/EventLoopWait.h"
#include "platform/RandomAccessFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::download;
using namespace kaldoria::testsupport;
using kaldoria::platform::RandomAccessFile;

namespace {

// Long enough never to cut a healthy answer on a busy machine; short where a stall is meant.
constexpr auto kQuietWatchdog = std::chrono::milliseconds(60000);
constexpr auto kStallWatchdog = std::chrono::milliseconds(1000);
constexpr qint64 kFileSize = 200000;

// A folder with the served file and a target for the segment to write into.
class SegmentFixture {
public:
    SegmentFixture() : bytes(patternBytes(kFileSize)) {
        QFile file(servedPath());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        target = RandomAccessFile::create(folder.filePath(QStringLiteral("target.bin")));
        target->reserve(kFileSize);
    }
    QString servedPath() const { return folder.filePath(QStringLiteral("file.bin")); }
    QByteArray targetBytes() const {
        QFile file(target->path());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir folder;
    QByteArray bytes;
    std::shared_ptr<RandomAccessFile> target;
};

// Starts `thread` and waits for its end report; returns how many reports came.
int runToEnd(TDownloadThread& thread) {
    int reports = 0;
    thread.OnComplete = [&](TDownloadThread&) { ++reports; };
    thread.start();
    kaldoria::platform::waitWhileDispatching([&] { return reports > 0; });
    thread.wait();
    QCoreApplication::processEvents();
    return reports;
}

// Dispatches events until the server has seen `count` requests.
void waitForRequests(FaultServer& server, int count) {
    while (server.requests().size() < count)
        QCoreApplication::processEvents();
}

struct SegmentCase {
    const char* name;
    QStringList arguments;
    qint64 start;
    int errorCount;
    qint64 partSize;
    bool refused;
    int requests;
    std::chrono::milliseconds watchdog = kQuietWatchdog;
};

class SegmentThread : public ::testing::TestWithParam<SegmentCase> {};

} // namespace

// Each answer of the server gives the attempts, part and verdict the segment must end with;
// a complete part always holds exactly the range.
TEST_P(SegmentThread, EndsWithTheExpectedAttemptsAndPart) {
    const SegmentCase& c = GetParam();
    SegmentFixture fixture;
    FaultServer server(fixture.servedPath(), c.arguments);
    ASSERT_TRUE(server.start());
    const qint64 end = c.start + 99999;
    TDownloadThread thread(1, server.url(), c.start, end, c.watchdog);
    thread.SetTarget(fixture.target);

    EXPECT_EQ(runToEnd(thread), 1);
    EXPECT_EQ(thread.ErrorCount(), c.errorCount);
    EXPECT_EQ(thread.PartSize(), c.partSize);
    EXPECT_EQ(thread.AnswerRefused(), c.refused);
    EXPECT_EQ(thread.RangeIgnored(), c.arguments.contains(QStringLiteral("ignore-range")));
    EXPECT_EQ(server.requests().size(), c.requests);
    if (c.partSize == 100000 && !c.refused) {
        EXPECT_EQ(fixture.targetBytes().mid(c.start, 100000), fixture.bytes.mid(c.start, 100000));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SegmentThread,
    ::testing::Values(SegmentCase{"Range", {}, 100000, 0, 100000, false, 1},
                      SegmentCase{"NotFound", args({"--fault", "status-404"}), 0, 0, 0, false, 1},
                      SegmentCase{"CutInMidRange", args({"--fault", "cut-mid"}), 0, 0, 50000, false, 1},
                      // Silent longer than the watchdog once: cut, then a second attempt gets it all.
                      SegmentCase{"StallBeforeFirstByte",
                                  args({"--fault", "stall-before", "--times", "1", "--stall", "2.5"}), 0, 1, 100000,
                                  false, 2, kStallWatchdog},
                      // Half the range, then silence: the next attempt writes from the part's start again.
                      SegmentCase{"StallInMidRange", args({"--fault", "stall-mid", "--times", "1", "--stall", "4"}),
                                  100000, 1, 100000, false, 2, kStallWatchdog},
                      SegmentCase{"FourStalls", args({"--fault", "stall-before"}), 0, 3, 0, false, 4, kStallWatchdog},
                      // The whole file is more than the range: refused before a byte is written.
                      SegmentCase{"WholeFileForARangeFromZero", args({"--fault", "ignore-range"}), 0, 0, 0, true, 1},
                      SegmentCase{"WholeFileForALaterRange", args({"--fault", "ignore-range"}), 100000, 0, 0, true, 1},
                      SegmentCase{"MoreBytesThanTheRange", args({"--fault", "overlong"}), 100000, 0, 100000, true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SegmentThreadEnd, RefusedConnectionMakesOneAttemptAndStillReports) {
    SegmentFixture fixture;
    TDownloadThread thread(1, QStringLiteral("http://127.0.0.1:%1/file.bin").arg(unusedLocalPort()), 0, 999,
                           kQuietWatchdog);
    thread.SetTarget(fixture.target);
    EXPECT_EQ(runToEnd(thread), 1);
    EXPECT_EQ(thread.ErrorCount(), 0);
    EXPECT_EQ(thread.PartSize(), 0);
}

TEST(SegmentThreadEnd, PartThatCannotBeCreatedStillReports) {
    TDownloadThread thread(2, QStringLiteral("http://127.0.0.1:1/file.bin"), 0, 999, kQuietWatchdog);
    thread.UseFileStream = true;
    thread.TmpFolder = QStringLiteral("/nonexistent-folder/");
    EXPECT_EQ(runToEnd(thread), 1);
    EXPECT_EQ(thread.PartSize(), 0);
}

// Stop while the GET is blocked: the request fails at once, and since the watchdog is still
// armed the run ends after that attempt.
TEST(SegmentThreadEnd, StopEndsABlockedAttempt) {
    SegmentFixture fixture;
    FaultServer server(fixture.servedPath(), args({"--fault", "stall-before"}));
    ASSERT_TRUE(server.start());
    TDownloadThread thread(1, server.url(), 0, 999, std::chrono::milliseconds(60000));
    thread.SetTarget(fixture.target);
    int reports = 0;
    thread.OnComplete = [&](TDownloadThread&) { ++reports; };
    thread.start();
    waitForRequests(server, 1);
    thread.Stop();
    kaldoria::platform::waitWhileDispatching([&] { return reports > 0; });
    EXPECT_EQ(thread.ErrorCount(), 0);
    EXPECT_EQ(thread.PartSize(), 0);
}

// A part file lives in TmpFolder while the segment runs and is written into the target on
// request; destroying the thread removes it.
TEST(SegmentThreadEnd, PartFileExistsWhileRunningAndGoesWithTheThread) {
    SegmentFixture fixture;
    FaultServer server(fixture.servedPath(), args({"--fault", "stall-mid", "--stall", "1"}));
    ASSERT_TRUE(server.start());
    const QString folder = fixture.folder.path() + u'/';
    QString partFile;
    {
        TDownloadThread thread(3, server.url(), 100000, 199999, std::chrono::milliseconds(60000));
        thread.UseFileStream = true;
        thread.TmpFolder = folder;
        partFile = thread.PartFileName();
        EXPECT_EQ(partFile, folder + QStringLiteral("_part_3.tmp"));
        int reports = 0;
        thread.OnComplete = [&](TDownloadThread&) { ++reports; };
        thread.start();
        waitForRequests(server, 1);
        EXPECT_TRUE(QFile::exists(partFile));
        kaldoria::platform::waitWhileDispatching([&] { return reports > 0; });
        ASSERT_EQ(thread.PartSize(), 100000);
        EXPECT_TRUE(thread.WritePartInto(*fixture.target));
        EXPECT_EQ(fixture.targetBytes().mid(100000), fixture.bytes.mid(100000));
    }
    EXPECT_FALSE(QFile::exists(partFile));
}
