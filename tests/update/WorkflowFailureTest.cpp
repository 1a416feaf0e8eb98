#include "WorkflowFixture.h"

#include "ScopedTimeZone.h"
#include "platform/DayCount.h"
#include "platform/TerminateRequest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::update {

namespace {

constexpr double kDate = 44270.5;

const char* const kLevels[] = {"Hard: MD5 Hash", "Medium: Size & Date", "Light: Previous List"};

UpdateServerFolder threeFiles() {
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\kd.exe"), "game program", kDate);
    folder.addFile(QStringLiteral("\\system\\data.pak"), UpdateServerFolder::noise(300000), kDate);
    folder.addFile(QStringLiteral("\\system\\kd.ini"), "[settings]\r\n", kDate);
    return folder;
}

} // namespace

// What the player is told and what stays on disk when an update cannot complete, and the
// check levels installing by the server's records.
class WorkflowFailureTest : public WorkflowFixture {
protected:
    void setCheckMode(const char* mode) const {
        QDir().mkpath(clientFile(QStringLiteral("updater")));
        QFile ini(clientFile(QStringLiteral("updater/Kaldoria.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("CheckMode = ") + mode + "\r\n");
    }
    TUpdateWorkflow& rerun() {
        m_view = RecordingView();
        return runUpdate();
    }
    QByteArray oldList() const {
        QFile file(clientFile(QStringLiteral("updater/OldList.lst")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(WorkflowFailureTest, LightLevelInstallsAFreshClientAndFilesAPatchAdds) {
    setCheckMode("Light: Previous List");
    UpdateServerFolder folder = threeFiles();
    publish(folder);
    TUpdateWorkflow& first = runUpdate();
    EXPECT_EQ(first.failedFiles(), 0);
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), UpdateServerFolder::noise(300000));
    EXPECT_EQ(oldList().count("\r\n"), 3);

    folder.addFile(QStringLiteral("\\maps\\new.map"), UpdateServerFolder::noise(50000, 7), kDate);
    publish(folder);
    TUpdateWorkflow& patched = rerun();
    EXPECT_EQ(patched.failedFiles(), 0);
    EXPECT_EQ(readClient(QStringLiteral("maps/new.map")), UpdateServerFolder::noise(50000, 7));
    EXPECT_EQ(m_view.statuses.last(), text(5));
    EXPECT_EQ(requests().filter(QStringLiteral(".kdz")).filter(QStringLiteral("kd.exe")).size(), 1);
}

TEST_F(WorkflowFailureTest, AMissingFileIsFetchedAtEveryLevelWhateverThePreviousListSays) {
    publish(threeFiles());
    runUpdate();
    for (const char* level : kLevels) {
        setCheckMode(level);
        QFile::remove(clientFile(QStringLiteral("kd.exe")));
        TUpdateWorkflow& workflow = rerun();
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program")) << level;
        EXPECT_EQ(workflow.failedFiles(), 0) << level;
        EXPECT_TRUE(oldList().contains("kd.exe")) << level;
    }
}

// A list made in another zone may date a file in the hour that the player's zone skips in
// spring; the file reads back an hour later than the list says and is still current.
TEST_F(WorkflowFailureTest, SizeAndDateAcceptsADateThePlayersZoneSkips) {
    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    setCheckMode("Medium: Size & Date");
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\spring.dat"), "spring",
                   platform::DayCount::fromDateAndTime(QDate(2021, 3, 28), QTime(2, 30)));
    folder.setRequired({QStringLiteral("\\spring.dat")});
    publish(folder);
    runUpdate();
    const qsizetype fetched = requests().size();
    TUpdateWorkflow& second = rerun();
    EXPECT_EQ(second.failedFiles(), 0);
    EXPECT_EQ(requests().size(), fetched) << requests().join(u' ').toStdString();
    EXPECT_EQ(m_view.statuses.last(), text(3));
}

// The full check looks at the client folder as it is when the player starts it, not at what
// the previous list says was installed.
TEST_F(WorkflowFailureTest, AFileDeletedBeforeTheFullCheckIsFetchedAtEveryLevel) {
    publish(threeFiles());
    runUpdate();
    for (const char* level : kLevels) {
        setCheckMode(level);
        TUpdateWorkflow& workflow = rerun();
        ASSERT_EQ(m_view.statuses.last(), text(3)) << level;
        QFile::remove(clientFile(QStringLiteral("system/kd.ini")));
        workflow.Button_CheckAllFilesClick();
        EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("[settings]\r\n")) << level;
        EXPECT_TRUE(oldList().contains("kd.ini")) << level;
    }
}

// A file that size and date find current is recorded as the list has it, so that the light
// level knows it afterwards and does not fetch it again.
TEST_F(WorkflowFailureTest, ARequiredFileFoundCurrentBySizeAndDateIsRecordedForTheLightLevel) {
    UpdateServerFolder folder = threeFiles();
    folder.setRequired({QStringLiteral("\\kd.exe")});
    publish(folder);
    runUpdate();
    // A cleaned work folder: only what the check measures tells which files are installed.
    QFile::remove(clientFile(QStringLiteral("updater/OldList.lst")));
    setCheckMode("Medium: Size & Date");
    rerun();
    EXPECT_TRUE(oldList().contains("kd.exe"));

    const auto fetches = [this] { return requests().filter(QStringLiteral("kd.exe.kdz")).size(); };
    const qsizetype fetched = fetches();
    setCheckMode("Light: Previous List");
    rerun();
    EXPECT_EQ(fetches(), fetched);
    EXPECT_EQ(m_view.statuses.last(), text(3));
}

TEST_F(WorkflowFailureTest, AFileWhoseUpdateFailsKeepsItsOldCopyAndRecord) {
    UpdateServerFolder folder = threeFiles();
    folder.setRequired({QStringLiteral("\\system\\data.pak")});
    publish(folder);
    runUpdate();
    const QByteArray recorded = oldList();

    folder.addFile(QStringLiteral("\\system\\data.pak"), UpdateServerFolder::noise(300000, 9), kDate);
    publish(folder);
    QFile::remove(serverFile(QStringLiteral("system/data.pak.kdz")));
    TUpdateWorkflow& workflow = rerun();
    EXPECT_EQ(workflow.failedFiles(), 1);
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), UpdateServerFolder::noise(300000));
    EXPECT_EQ(oldList(), recorded);
}

TEST_F(WorkflowFailureTest, AListThatStopsPartwayIsNotUsed) {
    UpdateServerFolder folder = threeFiles();
    folder.addRawListLines({QStringLiteral("00000000000000000000000000000000|\\broken.dat|10|not a date|"
                                           "00000000000000000000000000000000"),
                            QStringLiteral("00000000000000000000000000000000|\\after.dat|10|0000000000000000|"
                                           "00000000000000000000000000000000")});
    publish(folder);
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_TRUE(workflow.listMissing());
    EXPECT_EQ(m_view.statuses.last(), text(15));
    EXPECT_TRUE(m_view.failures[QStringLiteral("updater.lst.kdz")].startsWith(QStringLiteral("the list is damaged")));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));

    // No full check runs without a list, and none is announced.
    const qsizetype shown = m_view.statuses.size();
    workflow.Button_CheckAllFilesClick();
    EXPECT_EQ(m_view.statuses.size(), shown);
}

TEST_F(WorkflowFailureTest, NoUnpackingIsAnnouncedWhenNoListArrived) {
    publish(threeFiles());
    QFile::remove(serverFile(QStringLiteral("updater.lst.kdz")));
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_TRUE(workflow.listMissing());
    EXPECT_FALSE(m_view.statuses.contains(text(1) + QStringLiteral("updater.lst")));
    EXPECT_EQ(m_view.failures[QStringLiteral("updater.lst.kdz")], QStringLiteral("HTTP status 404"));
}

TEST_F(WorkflowFailureTest, AServerWithoutAGoodListGivesWayToTheNextInEveryMode) {
    publish(threeFiles());
    // The first server answers the probe but serves no usable list.
    QTemporaryDir brokenRoot;
    QFile garbage(brokenRoot.filePath(QStringLiteral("updater.lst.kdz")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a packed list");
    garbage.close();
    testsupport::NginxOptions options;
    options.root = brokenRoot.path();
    testsupport::NginxServer broken(options);
    ASSERT_TRUE(broken.start());

    const char* const modes[] = {"", "useping=true\n", "randomselect=true\n"};
    for (const char* mode : modes) {
        QFile::remove(clientFile(QStringLiteral("kd.exe")));
        m_view = RecordingView();
        TUpdateWorkflow& workflow = makeWorkflow(
            configText({broken.url(), m_nginx->url()}, QStringLiteral("[updateservers]\n") + QLatin1String(mode)));
        workflow.RunUpdate();
        EXPECT_FALSE(workflow.listMissing()) << mode;
        EXPECT_EQ(workflow.urlMain(), m_nginx->url()) << mode;
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program")) << mode;
    }
}

// The window's restart starts the new program file with the switch that stops a second
// self-update, and ends this process.
TEST_F(WorkflowFailureTest, TheWindowsRestartTellsTheNewProgramItWasRestarted) {
    UpdateServerFolder folder = threeFiles();
    folder.addFile(QStringLiteral("\\Kaldoria"), "#!/bin/sh\necho \"$@\" > restarted-with.txt\n", kDate);
    folder.setRequired({QStringLiteral("\\kaldoria")});
    publish(folder);
    int ends = 0;
    platform::TerminateRequest::setEndProgramHook([&] { ++ends; });
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}));
    workflow.RunUpdate();
    platform::TerminateRequest::setEndProgramHook({});
    EXPECT_EQ(ends, 1);
    // The new program runs detached: wait for what it wrote.
    const QDeadlineTimer deadline(10000);
    while (readClient(QStringLiteral("restarted-with.txt")).isEmpty() && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_EQ(readClient(QStringLiteral("restarted-with.txt")), QByteArray("--restarted\n"));
    EXPECT_TRUE(oldList().toLower().contains("\\kaldoria|"));
}

TEST_F(WorkflowFailureTest, ARestartedLauncherDoesNotReplaceItselfAgain) {
    UpdateServerFolder folder = threeFiles();
    folder.addFile(QStringLiteral("\\Kaldoria"), "new launcher", kDate);
    folder.setRequired({QStringLiteral("\\kaldoria")});
    publish(folder);
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}), {kRestartedSwitch});
    int restarts = 0;
    workflow.setRestartHandler([&] { ++restarts; });
    workflow.RunUpdate();
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(readClient(QStringLiteral("Kaldoria")), QByteArray("old launcher"));
    EXPECT_EQ(workflow.failedFiles(), 1);
    EXPECT_TRUE(m_view.failures.count(QStringLiteral("\\Kaldoria")));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
}

} // namespace kaldoria::update
