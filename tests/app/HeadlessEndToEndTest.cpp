#include "LauncherFixture.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QThread>

#include "TestCertificates.h"

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::app {

namespace {

// 2021-03-15 12:00 as a day count and as seconds since 1970 (the launcher runs in UTC).
constexpr double kDate = 44270.5;
constexpr qint64 kDateSeconds = 1615809600;
const QStringList kHeadless = {QStringLiteral("--headless")};

UpdateServerFolder clientFiles() {
    UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\kd.exe"), "game program", kDate);
    folder.addFile(QStringLiteral("\\system\\data.pak"), QByteArray(300000, 'd'), kDate);
    folder.addFile(QStringLiteral("\\system\\kd.ini"), "[settings]\r\n", kDate);
    return folder;
}

// The same client files for `kaldoria-pack publish`, dated kDateSeconds.
const QDateTime kModified = QDateTime::fromSecsSinceEpoch(kDateSeconds, Qt::UTC);

QMap<QString, QByteArray> clientFileMap() {
    return {{QStringLiteral("kd.exe"), "game program"},
            {QStringLiteral("system/data.pak"), QByteArray(300000, 'd')},
            {QStringLiteral("system/kd.ini"), "[settings]\r\n"}};
}

quint16 closedPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

} // namespace

class HeadlessEndToEndTest : public LauncherFixture {
protected:
    // A launcher program that differs from the client's only in its configuration.
    QByteArray newLauncherProgram() {
        const QString path = m_root.filePath(QStringLiteral("new/Kaldoria"));
        QDir().mkpath(QFileInfo(path).path());
        makeLauncher(configText({}, QStringLiteral("[mainwindow]\ncaption=New")), path);
        QFile program(path);
        return program.open(QIODevice::ReadOnly) ? program.readAll() : QByteArray();
    }
};

TEST_F(HeadlessEndToEndTest, FreshInstallInDebugMode) {
    publishWithTool(clientFileMap(), kModified);
    makeLauncher(configText());
    const Run result = run({QStringLiteral("-debug"), QStringLiteral("--headless")});
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray(300000, 'd'));
    EXPECT_EQ(QFileInfo(clientFile(QStringLiteral("system/kd.ini"))).lastModified().toSecsSinceEpoch(), kDateSeconds);
    EXPECT_TRUE(result.output.contains("Update done"));

    const QByteArray oldList = readClient(QStringLiteral("updater/OldList.lst"));
    EXPECT_EQ(oldList.count("\r\n"), 3);
    const QByteArray ini = readClient(QStringLiteral("updater/Kaldoria.ini"));
    EXPECT_EQ(ini.count("\r\n"), 9);
    EXPECT_TRUE(ini.startsWith("Left = -1\r\nTop = -1\r\nLanguage = English\r\n")) << ini.toStdString();

    const QByteArray log = readClient(QStringLiteral("log.err"));
    EXPECT_TRUE(log.startsWith("config created\r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("Download file: system\\data.pak (try 1)\r\n"));
    EXPECT_TRUE(log.contains("Unpack:: kd.exe\r\nSet DateTime: kd.exe\r\n"));
    EXPECT_TRUE(requests().contains(QStringLiteral("/system/data.pak.kdz")));
}

TEST_F(HeadlessEndToEndTest, CurrentClientFetchesNoPackedFileAndWritesNoLog) {
    publishWithTool(clientFileMap(), kModified);
    makeLauncher(configText());
    ASSERT_EQ(run(kHeadless).exitCode, 0);
    const qsizetype before = requests().size();
    const Run second = run(kHeadless);
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    const QStringList after = requests().mid(before);
    EXPECT_EQ(after.filter(QStringLiteral(".kdz")), QStringList{QStringLiteral("/updater.lst.kdz")});
    EXPECT_TRUE(second.output.contains("Client is up to date"));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("log.err"))));
}

// In a zone with daylight saving, a file dated in summer is current after its update: the
// size and date check of the next run finds it equal and fetches nothing. The list is
// published and the launcher run in that zone.
TEST_F(HeadlessEndToEndTest, SizeAndDateCheckFindsASummerFileCurrentUnderDaylightSaving) {
    const QByteArray previousZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    publishWithTool({{QStringLiteral("data/july.dat"), "dated in July"}},
                    QDateTime(QDate(2021, 7, 15), QTime(10, 0, 0, 250), Qt::UTC), {QStringLiteral("data/july.dat")});
    if (previousZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", previousZone);
    m_environment = {QStringLiteral("TZ=Europe/Berlin")};
    makeLauncher(configText());
    writeClient(QStringLiteral("updater/Kaldoria.ini"), "CheckMode = Medium: Size & Date\r\n");

    ASSERT_EQ(run(kHeadless).exitCode, 0);
    EXPECT_EQ(readClient(QStringLiteral("data/july.dat")), QByteArray("dated in July"));
    EXPECT_EQ(QFileInfo(clientFile(QStringLiteral("data/july.dat"))).lastModified().toMSecsSinceEpoch(),
              QDateTime(QDate(2021, 7, 15), QTime(10, 0, 0, 250), Qt::UTC).toMSecsSinceEpoch());
    const qsizetype before = requests().size();
    const Run second = run(kHeadless);
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_EQ(requests().mid(before).filter(QStringLiteral(".kdz")), QStringList{QStringLiteral("/updater.lst.kdz")});
    EXPECT_TRUE(readClient(QStringLiteral("updater/Kaldoria.ini")).contains("CheckMode = Medium: Size & Date"));
}

TEST_F(HeadlessEndToEndTest, FullCheckFindsAChangedFileThatNoOtherCheckLooksAt) {
    publishWithTool(clientFileMap(), kModified);
    makeLauncher(configText());
    ASSERT_EQ(run(kHeadless).exitCode, 0);
    writeClient(QStringLiteral("system/data.pak"), "damaged");
    ASSERT_EQ(run(kHeadless).exitCode, 0);
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray("damaged"));
    const Run full = run({QStringLiteral("--headless"), QStringLiteral("--check-all")});
    EXPECT_EQ(full.exitCode, 0) << full.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray(300000, 'd'));
    EXPECT_TRUE(full.output.contains("Full check done"));
}

TEST_F(HeadlessEndToEndTest, RequiredAndDeletionSections) {
    publishWithTool(clientFileMap(), kModified, {QStringLiteral("system/kd.ini")}, {QStringLiteral("obsolete.dll")});
    makeLauncher(configText());
    ASSERT_EQ(run(kHeadless).exitCode, 0);
    writeClient(QStringLiteral("system/kd.ini"), "user edit");
    writeClient(QStringLiteral("obsolete.dll"), "old");
    const Run second = run(kHeadless);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("[settings]\r\n"));
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("obsolete.dll"))));
}

TEST_F(HeadlessEndToEndTest, FailedFilesGiveExitCodeOne) {
    UpdateServerFolder folder = clientFiles();
    folder.addFile(QStringLiteral("\\never.dat"), "never verifies", kDate);
    folder.file(QStringLiteral("\\never.dat")).lowerCasePackedHash = true;
    folder.addFile(QStringLiteral("\\missing.dat"), "not on the server", kDate);
    publish(folder);
    QFile::remove(serverFile(QStringLiteral("missing.dat.kdz")));
    makeLauncher(configText());
    const Run result = run({QStringLiteral("-debug"), QStringLiteral("--headless")});
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(requests().count(QStringLiteral("/never.dat.kdz")), 3);
    EXPECT_TRUE(readClient(QStringLiteral("log.err")).contains("FItem.Content.Name never.dat: hash error !!!"));
    // Each failed file is named with its reason, and nothing claims the client is up to date.
    EXPECT_TRUE(result.output.contains("Failed: \\never.dat: checksum mismatch")) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("Failed: \\missing.dat: HTTP status 404")) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("2 files could not be updated.")) << result.output.toStdString();
    EXPECT_FALSE(result.output.contains("Update done")) << result.output.toStdString();
}

// The saved download limit holds for a run; --limit-rate takes its place for one run without
// replacing it, and a limit that does not read ends the run before anything is fetched. 1 MiB
// of noise (it does not pack smaller) at 256 KiB/s takes four seconds.
TEST_F(HeadlessEndToEndTest, DownloadLimitFromTheSettingsOrForOneRun) {
    publishWithTool({{QStringLiteral("big.dat"), UpdateServerFolder::noise(1024 * 1024, 5)}}, kModified);
    makeLauncher(configText());
    const struct {
        QByteArray saved;
        QStringList arguments;
    } cases[] = {
        {"LimitRate = 256K\r\n", kHeadless},
        {"LimitRate = 0\r\n", {QStringLiteral("--headless"), QStringLiteral("--limit-rate"), QStringLiteral("256k")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved.toStdString());
        QFile::remove(clientFile(QStringLiteral("big.dat")));
        writeClient(QStringLiteral("updater/Kaldoria.ini"), c.saved);
        QElapsedTimer clock;
        clock.start();
        const Run result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        EXPECT_GE(clock.elapsed(), 3500);
        EXPECT_EQ(readClient(QStringLiteral("big.dat")), UpdateServerFolder::noise(1024 * 1024, 5));
        EXPECT_TRUE(readClient(QStringLiteral("updater/Kaldoria.ini")).contains(c.saved));
    }

    const qsizetype before = requests().size();
    const Run refused = run({QStringLiteral("--headless"), QStringLiteral("--limit-rate"), QStringLiteral("5MB")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.output.contains("--limit-rate: \"5MB\" is not a rate")) << refused.output.toStdString();
    EXPECT_EQ(requests().size(), before);
}

TEST_F(HeadlessEndToEndTest, DownServerThenAnAnsweringOneByPing) {
    publishWithTool(clientFileMap(), kModified);
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    makeLauncher(configText({down, m_nginx->url()}, QStringLiteral("useping=true\n")));
    const Run result = run(kHeadless);
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
}

TEST_F(HeadlessEndToEndTest, NoListGivesExitCodeOne) {
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(closedPort());
    makeLauncher(configText({down}));
    const Run result = run(kHeadless);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.output.contains("No update server")) << result.output.toStdString();
}

TEST_F(HeadlessEndToEndTest, HttpsServerVerifiedAgainstATestAuthority) {
    testsupport::TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    m_nginxOptions.certFile = certificates.certFile();
    m_nginxOptions.keyFile = certificates.keyFile();
    publishWithTool(clientFileMap(), kModified);
    ASSERT_TRUE(m_nginx->url().startsWith(QStringLiteral("https://")));
    makeLauncher(configText());
    // Without the authority the server is not trusted and nothing is fetched.
    EXPECT_EQ(run(kHeadless).exitCode, 1);
    m_environment << QStringLiteral("SSL_CERT_FILE=") + certificates.caFile();
    const Run result = run(kHeadless);
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray(300000, 'd'));
}

TEST_F(HeadlessEndToEndTest, LocalSourceMode) {
    publishWithTool(clientFileMap(), kModified);
    makeLauncher(configText({QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())}));
    const Run result = run({QStringLiteral("filemode=") + m_server, QStringLiteral("--headless")});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), QByteArray(300000, 'd'));
}

namespace {

// How many times a packed file of the server was downloaded whole, from the bytes sent for it:
// a range that another connection took over may have sent a little more than was used.
qint64 downloads(qint64 bytesSent, const QString& packedFile) {
    return bytesSent / QFileInfo(packedFile).size();
}

} // namespace

// The own program file is replaced at each check level and the new program finishes the run;
// a later run finds the launcher current instead of replacing it again.
TEST_F(HeadlessEndToEndTest, OwnProgramFileIsReplacedOnceAtEveryCheckLevel) {
    startServer();
    QMap<QString, QByteArray> files = clientFileMap();
    files.insert(QStringLiteral("Kaldoria"), newLauncherProgram());
    publishWithTool(files, kModified, {QStringLiteral("Kaldoria")});

    for (const char* level : {"Hard: MD5 Hash", "Medium: Size & Date", "Light: Previous List"}) {
        makeLauncher(configText());
        QDir(clientFile(QStringLiteral("updater"))).removeRecursively();
        QDir().mkpath(clientFile(QStringLiteral("updater")));
        writeClient(QStringLiteral("updater/Kaldoria.ini"), QByteArray("CheckMode = ") + level + "\r\n");
        QFile::remove(clientFile(QStringLiteral("kd.exe")));
        const qint64 sentBefore = bytesSent(QStringLiteral("/Kaldoria.kdz"));
        const Run first = run(kHeadless);
        EXPECT_EQ(first.exitCode, 0) << level << first.output.toStdString();
        EXPECT_EQ(readClient(QStringLiteral("Kaldoria")), files.value(QStringLiteral("Kaldoria"))) << level;
        // The new program ran the cycle again: it removed the ".bak" file and fetched the rest.
        EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("Kaldoria.bak")))) << level;
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program")) << level;
        EXPECT_TRUE(readClient(QStringLiteral("updater/OldList.lst")).toLower().contains("\\kaldoria|")) << level;
        const Run second = run(kHeadless);
        EXPECT_EQ(second.exitCode, 0) << level << second.output.toStdString();
        // One download of the launcher in all: neither the restarted program nor the next run
        // fetched it.
        EXPECT_EQ(downloads(bytesSent(QStringLiteral("/Kaldoria.kdz")) - sentBefore,
                            serverFile(QStringLiteral("Kaldoria.kdz"))),
                  1)
            << level;
    }
}

// A launcher that never matches the list (the operator listed another digest) replaces itself
// once, and the program it started does not replace itself again.
TEST_F(HeadlessEndToEndTest, SelfUpdateThatNeverMatchesTheListRestartsOnlyOnce) {
    startServer();
    UpdateServerFolder folder = clientFiles();
    folder.addFile(QStringLiteral("\\Kaldoria"), newLauncherProgram(), kDate);
    folder.file(QStringLiteral("\\Kaldoria")).hashOverride = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    folder.setRequired({QStringLiteral("\\kaldoria")});
    publish(folder);
    makeLauncher(configText());
    const Run result = run(kHeadless);
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("Failed: \\Kaldoria: the launcher was replaced once"))
        << result.output.toStdString();
    EXPECT_EQ(downloads(bytesSent(QStringLiteral("/Kaldoria.kdz")), serverFile(QStringLiteral("Kaldoria.kdz"))), 1)
        << requests().join(u' ').toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
}

TEST_F(HeadlessEndToEndTest, StartGameWithTheOnlyProxyThatAccepts) {
    // Three proxies on one port; only the third address listens.
    QTcpServer proxy;
    ASSERT_TRUE(proxy.listen(QHostAddress(QStringLiteral("127.0.0.3")), 0));
    publishWithTool(clientFileMap(), kModified);
    writeClient(QStringLiteral("system/eu.ini"), "proxy settings");
    writeClient(QStringLiteral("system/kd.exe"), "#!/bin/sh\necho \"$*\" > started.txt\n");
    QFile::setPermissions(clientFile(QStringLiteral("system/kd.exe")), QFile::ReadOwner | QFile::ExeOwner);
    makeLauncher(configText({}, QStringLiteral("[gameproxys]\nuseproxy=true\nport=%1\nproxy=One|127.0.0.1|one.ini\n"
                                               "proxy=Two|127.0.0.2|two.ini\nproxy=Three|127.0.0.3|eu.ini\n")
                                    .arg(proxy.serverPort())));
    const Run result = run({QStringLiteral("--headless"), QStringLiteral("--start-game")});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("proxy settings"));
    // The client runs on its own; give it a moment to write its arguments.
    for (int i = 0; i < 200 && readClient(QStringLiteral("system/started.txt")).isEmpty(); ++i)
        QThread::msleep(50);
    EXPECT_EQ(readClient(QStringLiteral("system/started.txt")), QByteArray("eu.ini\n"));
}

TEST_F(HeadlessEndToEndTest, HostileListTouchesNothingOutsideTheClient) {
    UpdateServerFolder folder = clientFiles();
    folder.addRawListLines({QStringLiteral("0123456789ABCDEF0123456789ABCDEF|\\..\\escaped.txt|3|0000000000000000|"
                                           "00000000000000000000000000000000")});
    folder.setRequired({QStringLiteral("\\..\\..\\required.txt")});
    folder.setDelete({QStringLiteral("\\..\\victim.txt")});
    publish(folder);
    QFile victim(m_root.filePath(QStringLiteral("victim.txt")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.close();
    makeLauncher(configText());
    const Run result = run({QStringLiteral("-debug"), QStringLiteral("--headless")});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(m_root.filePath(QStringLiteral("victim.txt"))));
    EXPECT_FALSE(QFileInfo::exists(m_root.filePath(QStringLiteral("escaped.txt"))));
    EXPECT_TRUE(readClient(QStringLiteral("log.err")).contains("Refused name outside the client folder"));
}

} // namespace kaldoria::app
