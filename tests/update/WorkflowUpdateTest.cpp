#include "WorkflowFixture.h"

#include "update/FailureTexts.h"
#include "update/install/PartialDownloads.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::update {

namespace {

// 2021-03-15 12:00 and its second since 1970 (the tests run in UTC).
constexpr double kDate = 44270.5;
constexpr qint64 kDateSeconds = 1615809600;

UpdateServerFolder threeFiles() {
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\kd.exe"), "game program", kDate);
    folder.addFile(QStringLiteral("\\system\\data.pak"), QByteArray(300000, 'd'), kDate);
    folder.addFile(QStringLiteral("\\system\\kd.ini"), "[settings]\r\n", 0);
    return folder;
}

qint64 modifiedSeconds(const QString& path) {
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

} // namespace

class WorkflowUpdateTest : public WorkflowFixture {};

TEST_F(WorkflowUpdateTest, FreshInstallFetchesEveryFileAndRecordsIt) {
    publish(threeFiles());
    TUpdateWorkflow& workflow = runUpdate();

    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray(300000, 'd'));
    EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("[settings]\r\n"));
    EXPECT_EQ(modifiedSeconds(clientFile(QStringLiteral("system/data.pak"))), kDateSeconds);
    EXPECT_EQ(workflow.failedFiles(), 0);
    EXPECT_FALSE(workflow.listMissing());
    EXPECT_EQ(m_view.statuses.last(), text(5));
    EXPECT_TRUE(m_view.startEnabled);
    EXPECT_TRUE(m_view.checkAllVisible);
    // The total counts bytes: it only grows, from 0% to 100%.
    ASSERT_FALSE(m_view.totals.isEmpty());
    EXPECT_EQ(m_view.totals.first(), QStringLiteral("Total: 0%"));
    EXPECT_EQ(m_view.totals.last(), QStringLiteral("Total: 100%"));
    for (qsizetype i = 1; i < m_view.totals.size(); ++i)
        EXPECT_LE(m_view.totals[i - 1].mid(7).chopped(1).toInt(), m_view.totals[i].mid(7).chopped(1).toInt());
    EXPECT_TRUE(m_view.statuses.contains(text(7)));
    EXPECT_TRUE(m_view.statuses.contains(text(4) + QStringLiteral("\\system\\data.pak")));

    QFile oldList(clientFile(QStringLiteral("updater/OldList.lst")));
    ASSERT_TRUE(oldList.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldList.readAll().count("\r\n"), 3);
    EXPECT_TRUE(QDir(clientFile(QStringLiteral("updater")))
                    .entryList({QStringLiteral("$tmp*"), QStringLiteral("$part*")}, QDir::Files)
                    .isEmpty());
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("updater.lst"))));
    EXPECT_TRUE(debugLines().contains(QStringLiteral("Download file: system\\data.pak (try 1)")));
    EXPECT_TRUE(debugLines().contains(QStringLiteral("Unpack:: system\\data.pak")));
}

TEST_F(WorkflowUpdateTest, CurrentClientFetchesOnlyTheList) {
    publish(threeFiles());
    runUpdate();
    m_nginx->accessLog(); // the first run's requests stay in the log: compare counts
    const int before = requests().size();
    m_view = RecordingView();
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_EQ(requests().size(), before) << requests().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(m_view.statuses.last(), text(3));
    EXPECT_EQ(m_view.totals.last(), QStringLiteral("Total: 100%"));
    EXPECT_TRUE(m_view.startEnabled);
    EXPECT_EQ(workflow.failedFiles(), 0);
}

// What an earlier run left of a file that the list no longer needs goes once the check has
// found what this run needs, even when that is nothing.
TEST_F(WorkflowUpdateTest, PartialDownloadsNoFileNeedsAreRemoved) {
    publish(threeFiles());
    runUpdate();
    const QString stale =
        PartialDownloads::packedPath(clientFile(QStringLiteral("updater")), QStringLiteral("\\gone.dat"));
    for (const QString& path : {stale, stale + QStringLiteral(".resume"), stale + QStringLiteral(".resume.new")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    writeClient(QStringLiteral("updater/other.txt"), "not the launcher's");
    runUpdate();
    const QDir work(clientFile(QStringLiteral("updater")));
    EXPECT_EQ(work.entryList({QStringLiteral("$part*")}, QDir::Files), QStringList());
    EXPECT_TRUE(work.exists(QStringLiteral("other.txt")));
}

TEST_F(WorkflowUpdateTest, RequiredFilesAreCheckedAndDeletionNamesRemoved) {
    UpdateServerFolder folder = threeFiles();
    folder.setRequired({QStringLiteral("\\SYSTEM\\KD.INI")});
    folder.setDelete({QStringLiteral("\\old.txt"), QStringLiteral("\\missing.txt")});
    publish(folder);
    runUpdate();
    // The required file was changed locally: the hard check finds it and fetches it again;
    // the other present file is left for the full check.
    writeClient(QStringLiteral("system/kd.ini"), "changed by the user");
    writeClient(QStringLiteral("system/data.pak"), "also changed");
    writeClient(QStringLiteral("old.txt"), "to be deleted");
    m_view = RecordingView();
    runUpdate();
    EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("[settings]\r\n"));
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray("also changed"));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("old.txt"))));
    EXPECT_EQ(m_view.statuses.last(), text(5));
}

TEST_F(WorkflowUpdateTest, CurrentRequiredFileGetsTheListDateWithoutADownload) {
    UpdateServerFolder folder = threeFiles();
    folder.setRequired({QStringLiteral("\\kd.exe")});
    publish(folder);
    runUpdate();
    QFile file(clientFile(QStringLiteral("kd.exe")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime));
    file.close();
    const auto downloads = [this] { return m_nginx->accessLog().filter(QStringLiteral("GET /kd.exe.kdz")).size(); };
    const qsizetype fetched = downloads();
    m_view = RecordingView();
    runUpdate();
    EXPECT_EQ(modifiedSeconds(clientFile(QStringLiteral("kd.exe"))), kDateSeconds);
    EXPECT_EQ(downloads(), fetched);
    EXPECT_EQ(m_view.statuses.last(), text(3));
}

TEST_F(WorkflowUpdateTest, ChangedRequiredFileIsFoundAtEveryCheckLevel) {
    UpdateServerFolder folder = threeFiles();
    folder.setRequired({QStringLiteral("\\kd.exe")});
    publish(folder);
    runUpdate();
    struct Case {
        const char* mode;
        bool fetched;
    };
    // Light: the previous list and the new one agree, so the changed file is not seen.
    const Case cases[] = {{"Hard: MD5 Hash", true}, {"Medium: Size & Date", true}, {"Light: Previous List", false}};
    for (const Case& c : cases) {
        writeClient(QStringLiteral("kd.exe"), "game program, patched locally");
        QFile ini(clientFile(QStringLiteral("updater/Kaldoria.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("CheckMode = ") + c.mode + "\r\n");
        ini.close();
        m_view = RecordingView();
        runUpdate();
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")) == QByteArray("game program"), c.fetched) << c.mode;
    }
}

// Small files behind a slow large one finish first; the player still sees the files in the
// list's order (the status names the oldest unfinished file), and failures are told in that
// order too.
TEST_F(WorkflowUpdateTest, ReportsFollowTheListOrderWhenLaterFilesFinishFirst) {
    m_limitRate = QStringLiteral("400k");
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\a_big.dat"), UpdateServerFolder::noise(1200000, 5), kDate);
    const QStringList later = {QStringLiteral("\\b1.dat"), QStringLiteral("\\b2_missing.dat"),
                               QStringLiteral("\\b3.dat"), QStringLiteral("\\b4_missing.dat"),
                               QStringLiteral("\\b5.dat")};
    for (const QString& name : later)
        folder.addFile(name, name.toUtf8(), kDate);
    publish(folder);
    for (const QString& name : later) {
        if (name.contains(QStringLiteral("missing")))
            QFile::remove(serverFile(name.mid(1) + QStringLiteral(".kdz")));
    }
    // The large file is in place before the first failure behind it is told.
    std::optional<bool> bigInPlaceAtFirstFailure;
    m_view.onStatus = [&](const QString&) {
        if (!m_view.failures.empty() && !bigInPlaceAtFirstFailure)
            bigInPlaceAtFirstFailure = readClient(QStringLiteral("a_big.dat")) == UpdateServerFolder::noise(1200000, 5);
    };
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_EQ(workflow.failedFiles(), 2);
    EXPECT_EQ(readClient(QStringLiteral("a_big.dat")), UpdateServerFolder::noise(1200000, 5));
    EXPECT_EQ(readClient(QStringLiteral("b5.dat")), QByteArray("\\b5.dat"));

    // The server finished the small files before the large one.
    const QStringList served = m_nginx->accessLog(7).filter(QStringLiteral(".kdz"));
    ASSERT_FALSE(served.isEmpty());
    EXPECT_FALSE(served.last().contains(QStringLiteral("b5.dat"))) << served.join(u'\n').toStdString();
    EXPECT_TRUE(served.last().contains(QStringLiteral("a_big.dat"))) << served.join(u'\n').toStdString();

    // Every status of a file's update names a file at or after the one before it in the list.
    QStringList order = {QStringLiteral("\\a_big.dat")};
    order += later;
    qsizetype previous = 0;
    for (const QString& status : std::as_const(m_view.statuses)) {
        if (!status.startsWith(text(4)) && !status.startsWith(text(1)))
            continue;
        for (qsizetype i = 0; i < order.size(); ++i) {
            if (status.endsWith(order[i])) {
                EXPECT_GE(i, previous) << m_view.statuses.join(u'\n').toStdString();
                previous = i;
            }
        }
    }
    EXPECT_EQ(bigInPlaceAtFirstFailure, std::optional<bool>(true));
}

TEST_F(WorkflowUpdateTest, FilesThatNeverVerifyOrAreMissingFailAndTheRunGoesOn) {
    UpdateServerFolder folder = threeFiles();
    folder.addFile(QStringLiteral("\\bad.dat"), "bad", kDate);
    folder.file(QStringLiteral("\\bad.dat")).lowerCasePackedHash = true;
    folder.addFile(QStringLiteral("\\gone.dat"), "gone", kDate);
    publish(folder);
    QFile::remove(serverFile(QStringLiteral("gone.dat.kdz")));
    TUpdateWorkflow& workflow = runUpdate();

    EXPECT_EQ(workflow.failedFiles(), 2);
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("bad.dat"))));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("gone.dat"))));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_TRUE(m_view.startEnabled);
    // The player is told how many files failed, never that the client is up to date, and
    // each failure keeps its own reason.
    const QString told = FailureTexts::filesFailed(QString(), 2);
    EXPECT_EQ(told, QStringLiteral("2 files could not be updated."));
    EXPECT_EQ(m_view.statuses.last(), told);
    EXPECT_TRUE(m_view.messages.contains(told));
    EXPECT_FALSE(m_view.statuses.contains(text(5)));
    EXPECT_TRUE(m_view.failures[QStringLiteral("\\bad.dat")].startsWith(QStringLiteral("checksum mismatch")));
    EXPECT_EQ(m_view.failures[QStringLiteral("\\gone.dat")], QStringLiteral("HTTP status 404"));
    const QStringList log = debugLines();
    for (int attempt = 1; attempt <= 3; ++attempt)
        EXPECT_TRUE(log.contains(QStringLiteral("Download file: bad.dat (try %1)").arg(attempt)));
    EXPECT_TRUE(log.contains(QStringLiteral("FItem.Content.Name bad.dat: hash error !!!")));
    EXPECT_FALSE(log.contains(QStringLiteral("FItem.Content.Name gone.dat: hash error !!!")));
    EXPECT_TRUE(log.contains(QStringLiteral("Failed: \\gone.dat: HTTP status 404")));
    QFile oldList(clientFile(QStringLiteral("updater/OldList.lst")));
    ASSERT_TRUE(oldList.open(QIODevice::ReadOnly));
    const QByteArray recorded = oldList.readAll();
    EXPECT_FALSE(recorded.contains("bad.dat"));
    EXPECT_TRUE(recorded.contains("kd.exe"));

    // The full check tells its own outcome only.
    workflow.Button_CheckAllFilesClick();
    EXPECT_EQ(m_view.statuses.last(), text(6));
}

TEST_F(WorkflowUpdateTest, MissingListIsReportedAndNotTakenForAnUpToDateClient) {
    publish(threeFiles());
    QFile::remove(serverFile(QStringLiteral("updater.lst.kdz")));
    // A packed file left by an earlier run must not be taken for the list.
    QDir().mkpath(clientFile(QStringLiteral("updater")));
    QFile::copy(serverFile(QStringLiteral("kd.exe.kdz")), clientFile(QStringLiteral("updater/$tmp.kdz")));
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_TRUE(workflow.listMissing());
    EXPECT_EQ(m_view.statuses.last(), text(15));
    EXPECT_EQ(m_view.messages, QStringList{text(15)});
    EXPECT_TRUE(m_view.startEnabled);
    EXPECT_FALSE(m_view.checkAllVisible);
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));
}

TEST_F(WorkflowUpdateTest, HostileNamesNeverLeaveTheClientFolder) {
    UpdateServerFolder folder = threeFiles();
    folder.addRawListLines({QString(), QStringLiteral("0123456789ABCDEF0123456789ABCDEF|\\..\\outside.txt|3|"
                                                      "0000000000000000|00000000000000000000000000000000")});
    folder.setRequired({QStringLiteral("\\..\\..\\required.txt"), QStringLiteral("/etc/hostname")});
    folder.setDelete({QStringLiteral("\\..\\victim.txt"), QStringLiteral("C:\\victim.txt")});
    publish(folder);
    QFile victim(m_root.filePath(QStringLiteral("victim.txt")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.close();
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_TRUE(QFileInfo::exists(m_root.filePath(QStringLiteral("victim.txt"))));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(QStringLiteral("outside.txt"))));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(workflow.failedFiles(), 0);
    for (const QString& request : requests())
        EXPECT_FALSE(request.contains(QStringLiteral(".."))) << request.toStdString();
    int refused = 0;
    for (const QString& line : debugLines())
        refused += line.startsWith(QStringLiteral("Refused name outside the client folder: ")) ? 1 : 0;
    EXPECT_EQ(refused, 5);
}

} // namespace kaldoria::update
