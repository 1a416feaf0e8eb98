#include "HardeningFixture.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>

namespace kaldoria::hardening {

namespace {

constexpr int kRounds = 10;

void startHeadless(QProcess& launcher, const QString& program, const QString& client, QStringList extra = {}) {
    launcher.setWorkingDirectory(client);
    launcher.start(program, QStringList{QStringLiteral("--headless")} + extra);
}

int finish(QProcess& launcher) {
    EXPECT_TRUE(launcher.waitForFinished(120000));
    return launcher.exitStatus() == QProcess::NormalExit ? launcher.exitCode() : -1;
}

} // namespace

class TwoLaunchersTest : public HardeningFixture {
protected:
    int listRequests() {
        const QStringList gets = m_bad->gets();
        return int(std::count(gets.begin(), gets.end(), QStringLiteral("/updater.lst.kdz")));
    }
};

// Two launchers started together on one client folder, many times over, with the same
// instance name and with different ones: each time exactly one updates the client, and the
// other ends at once with code 3, saying why, having asked the server for nothing.
TEST_F(TwoLaunchersTest, ExactlyOneUpdatesTheOtherEndsWithCodeThree) {
    serve(clientFiles());
    const QString other = clientFile(QStringLiteral("Kaldoria2"));
    makeLauncher(configText({m_bad->url()})
                     .replace(QStringLiteral("instance=KaldoriaTest-"), QStringLiteral("instance=OtherName-")),
                 other);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        QFile::remove(clientFile(QStringLiteral("kd.exe")));
        QDir(clientFile(QStringLiteral("system"))).removeRecursively();
        const int listsBefore = listRequests();
        QProcess first;
        QProcess second;
        startHeadless(first, clientFile(QStringLiteral("Kaldoria")), m_client);
        startHeadless(second, round % 2 == 0 ? clientFile(QStringLiteral("Kaldoria")) : other, m_client);
        QList<int> codes{finish(first), finish(second)};
        const QByteArray refused = first.exitCode() == 3 ? first.readAllStandardError() : second.readAllStandardError();
        std::sort(codes.begin(), codes.end());
        EXPECT_EQ(codes, (QList<int>{0, 3}));
        EXPECT_TRUE(refused.contains("another launcher is running")) << refused.toStdString();
        EXPECT_EQ(listRequests(), listsBefore + 1);
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
        if (HasFailure())
            return;
    }
}

// A launcher restarted by its predecessor waits for the predecessor to end instead of
// giving up, then does the update.
TEST_F(TwoLaunchersTest, RestartedLauncherWaitsForThePredecessor) {
    QJsonObject stall;
    stall[QStringLiteral("fault")] = QStringLiteral("stall-before");
    stall[QStringLiteral("times")] = 1;
    QJsonObject rules;
    rules[QStringLiteral("/updater.lst.kdz")] = stall;
    serve(clientFiles(), rules);

    QProcess first;
    startHeadless(first, clientFile(QStringLiteral("Kaldoria")), m_client);
    QDeadlineTimer deadline(60000);
    while (listRequests() == 0 && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_EQ(listRequests(), 1);

    QProcess restarted;
    startHeadless(restarted, clientFile(QStringLiteral("Kaldoria")), m_client, {QStringLiteral("--restarted")});
    ASSERT_TRUE(restarted.waitForStarted());
    QThread::msleep(1000);
    EXPECT_EQ(restarted.state(), QProcess::Running);
    EXPECT_EQ(listRequests(), 1);
    first.kill();
    first.waitForFinished();
    EXPECT_EQ(finish(restarted), 0) << restarted.readAll().toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
}

} // namespace kaldoria::hardening
