#include "WorkflowFixture.h"

#include "platform/EventLoopWait.h"
#include "platform/TerminateRequest.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTimer>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::update {

namespace {

constexpr double kDate = 44270.5;

UpdateServerFolder twoFiles() {
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\kd.exe"), "game program", kDate);
    folder.addFile(QStringLiteral("\\system\\data.pak"), UpdateServerFolder::noise(200000), kDate);
    return folder;
}

// A port on 127.0.0.1 where nothing listens.
quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Work files left in "updater/": only packed files that a later run resumes, each with its
// control file.
void expectOnlyResumableLeft(const QStringList& left) {
    for (const QString& name : left) {
        if (!name.endsWith(QStringLiteral(".resume"))) {
            EXPECT_TRUE(left.contains(name + QStringLiteral(".resume"))) << left.join(u' ').toStdString();
        }
    }
}

} // namespace

class WorkflowCycleTest : public WorkflowFixture {};

TEST_F(WorkflowCycleTest, DownServerIsDroppedAndTheAnsweringOneChosenByPing) {
    publish(twoFiles());
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    TUpdateWorkflow& workflow =
        makeWorkflow(configText({down, m_nginx->url()}, QStringLiteral("[updateservers]\nuseping=true\n")));
    workflow.RunUpdate();
    EXPECT_EQ(workflow.urlMain(), m_nginx->url());
    EXPECT_EQ(m_config->UpdateServers.Servers, QStringList{m_nginx->url()});
    EXPECT_TRUE(debugLines().contains(QStringLiteral("Selected server: ") + m_nginx->url()));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_FALSE(requests(QStringLiteral("HEAD")).filter(QStringLiteral("updater.lst.kdz")).isEmpty());
}

TEST_F(WorkflowCycleTest, NoServerAnsweringFastEnoughIsReported) {
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    // Both down: the first configured address is used, the list cannot be fetched.
    TUpdateWorkflow& workflow =
        makeWorkflow(configText({down, down}, QStringLiteral("[updateservers]\nuseping=true\n")));
    workflow.RunUpdate();
    EXPECT_EQ(workflow.urlMain(), down);
    EXPECT_TRUE(workflow.listMissing());
    EXPECT_EQ(m_view.statuses.last(), text(15));
    EXPECT_TRUE(m_view.startEnabled);
}

TEST_F(WorkflowCycleTest, LocalSourceModeCopiesFromTheFolderWithoutNetwork) {
    ASSERT_TRUE(twoFiles().publish(m_server));
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    TUpdateWorkflow& workflow = makeWorkflow(configText({nowhere}), {QStringLiteral("filemode=") + m_server});
    workflow.RunUpdate();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), UpdateServerFolder::noise(200000));
    EXPECT_EQ(workflow.failedFiles(), 0);
    EXPECT_EQ(m_view.statuses.last(), text(5));
}

TEST_F(WorkflowCycleTest, OwnProgramFileIsReplacedFirstAndTheLauncherRestarts) {
    UpdateServerFolder folder = twoFiles();
    folder.addFile(QStringLiteral("\\Kaldoria"), "new launcher", kDate);
    folder.setRequired({QStringLiteral("\\kaldoria")});
    publish(folder);
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}));
    QStringList presentAtRestart;
    workflow.setRestartHandler([&] {
        presentAtRestart << QString::fromLatin1(readClient(QStringLiteral("Kaldoria")));
        presentAtRestart << QString::number(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));
    });
    workflow.RunUpdate();
    EXPECT_EQ(presentAtRestart, (QStringList{QStringLiteral("new launcher"), QStringLiteral("0")}));
    EXPECT_EQ(readClient(QStringLiteral("Kaldoria.bak")), QByteArray("old launcher"));
    EXPECT_TRUE(QFileInfo(m_program).isExecutable());
    EXPECT_TRUE(QFileInfo::exists(clientFile(QStringLiteral("updater/Kaldoria.ini"))));
}

TEST_F(WorkflowCycleTest, OwnProgramFileThatFailsIsPutBackWithoutRestart) {
    UpdateServerFolder folder = twoFiles();
    folder.addFile(QStringLiteral("\\Kaldoria"), "new launcher", kDate);
    folder.setRequired({QStringLiteral("\\kaldoria")});
    publish(folder);
    QFile::remove(serverFile(QStringLiteral("Kaldoria.kdz")));
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}));
    int restarts = 0;
    workflow.setRestartHandler([&] { ++restarts; });
    workflow.RunUpdate();
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(readClient(QStringLiteral("Kaldoria")), QByteArray("old launcher"));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("Kaldoria.bak"))));
    EXPECT_EQ(workflow.failedFiles(), 1);
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
}

TEST_F(WorkflowCycleTest, FullCheckRestoresChangedFilesAndRewritesThePreviousList) {
    publish(twoFiles());
    runUpdate();
    writeClient(QStringLiteral("system/data.pak"), "damaged");
    m_view = RecordingView();
    TUpdateWorkflow& workflow = runUpdate();
    EXPECT_EQ(m_view.statuses.last(), text(3));
    QFile::remove(clientFile(QStringLiteral("updater/OldList.lst")));
    workflow.Button_CheckAllFilesClick();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), UpdateServerFolder::noise(200000));
    EXPECT_EQ(m_view.statuses.last(), text(6));
    EXPECT_FALSE(m_view.checkAllEnabled);
    QFile oldList(clientFile(QStringLiteral("updater/OldList.lst")));
    ASSERT_TRUE(oldList.open(QIODevice::ReadOnly));
    EXPECT_EQ(oldList.readAll().count("\r\n"), 2);
}

TEST_F(WorkflowCycleTest, ClosingDuringADownloadLeavesTheObjectsUntilTheWorkUnwinds) {
    // Slow enough that the downloader reports progress in the middle of the big file: nginx
    // sends one second's worth at once, so each segment must be far larger than the rate.
    m_limitRate = QStringLiteral("200k");
    UpdateServerFolder folder = twoFiles();
    folder.addFile(QStringLiteral("\\big.dat"), UpdateServerFolder::noise(3000000, 7), kDate);
    publish(folder);
    const QDir work(clientFile(QStringLiteral("updater")));
    int endProgramCalls = 0;
    QStringList packedAtEnd;
    platform::TerminateRequest::setEndProgramHook([&] {
        if (endProgramCalls++ == 0)
            packedAtEnd = work.entryList({QStringLiteral("$tmp*"), QStringLiteral("$part*")}, QDir::Files);
    });
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}));
    bool closed = false;
    m_view.onDownloadProgress = [&](qint64 loaded, qint64 size) {
        if (!closed && size >= 3000000 && loaded < size) {
            closed = true;
            workflow.shutdown();
            EXPECT_NE(workflow.state().Required, nullptr);
        }
    };
    workflow.RunUpdate();
    EXPECT_TRUE(closed);
    // The program is ended once, after the download was given up and cleaned away.
    EXPECT_EQ(endProgramCalls, 1);
    expectOnlyResumableLeft(packedAtEnd);
    EXPECT_EQ(workflow.state().Required, nullptr);
    EXPECT_TRUE(QFileInfo::exists(clientFile(QStringLiteral("updater/Kaldoria.ini"))));
    EXPECT_FALSE(m_view.statuses.contains(text(5)));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("big.dat"))));
    // Files in flight leave no packed file behind and no record, unless a later run can take one
    // up: a file fetched in several ranges (a free connection may take over half of the last
    // one) keeps its control file beside it.
    expectOnlyResumableLeft(work.entryList({QStringLiteral("$tmp*"), QStringLiteral("$part*")}, QDir::Files));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("updater/OldList.lst"))));
    // Later actions of the window do nothing once it has closed.
    workflow.Button_CheckAllFilesClick();
    workflow.LoadProxyList();
}

TEST_F(WorkflowCycleTest, StartGameInstallsTheAnsweringProxysSettingsAndStartsTheClient) {
    QTcpServer proxy;
    ASSERT_TRUE(proxy.listen(QHostAddress(QStringLiteral("127.0.0.3")), 0));
    writeClient(QStringLiteral("system_de/eu.ini"), "proxy settings");
    writeClient(QStringLiteral("system_de/kd.ini"), "old settings");
    writeClient(QStringLiteral("system_de/kd.exe"), "#!/bin/sh\necho \"$PWD $*\" > started.txt\n");
    QFile::setPermissions(clientFile(QStringLiteral("system_de/kd.exe")), QFile::ReadOwner | QFile::ExeOwner);
    const QString extra = QStringLiteral("[config]\nlanguage_folder=English;system|Deutsch;system_de\n"
                                         "[gameproxys]\nuseproxy=true\nport=%1\nproxy=One|127.0.0.1|one.ini\n"
                                         "proxy=Two|127.0.0.2|two.ini\nproxy=Eu|127.0.0.3|eu.ini\n")
                              .arg(proxy.serverPort());
    TUpdateWorkflow& workflow = makeWorkflow(configText({}, extra));
    workflow.settings().langFolder = QStringLiteral("Deutsch");
    workflow.LoadProxyList();
    EXPECT_EQ(workflow.proxyLine(), QStringLiteral("Eu|127.0.0.3|eu.ini"));
    workflow.Button_StartGameClick();
    EXPECT_EQ(readClient(QStringLiteral("system_de/kd.ini")), QByteArray("proxy settings"));
    const QString started = clientFile(QStringLiteral("system_de/started.txt"));
    QTimer poll; // the wait looks at its condition when an event arrives
    poll.start(20);
    platform::waitWhileDispatching([&] { return QFileInfo::exists(started) && QFileInfo(started).size() > 0; },
                                   platform::CancelToken(), QDeadlineTimer(20000));
    QFile output(started);
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    EXPECT_TRUE(output.readAll().trimmed().endsWith("system_de eu.ini"));
}

TEST_F(WorkflowCycleTest, NoProxyAnsweringIsReported) {
    const QString extra =
        QStringLiteral("[gameproxys]\nuseproxy=true\nport=%1\nproxy=One|127.0.0.1|one.ini\n").arg(closedPort());
    TUpdateWorkflow& workflow = makeWorkflow(configText({}, extra));
    workflow.LoadProxyList();
    EXPECT_TRUE(workflow.proxyLine().isEmpty());
    EXPECT_EQ(m_view.messages, QStringList{text(18)});
    EXPECT_EQ(m_view.statuses.last(), text(18));
}

} // namespace kaldoria::update
