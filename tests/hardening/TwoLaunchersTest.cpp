#include "HardeningFixture.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

namespace kaldoria::hardening {

class TwoLaunchersTest : public HardeningFixture {};

// While a first launcher waits on the list, a second one started on the same client folder
// defers to it: it ends with code 0 and asks the server for nothing.
TEST_F(TwoLaunchersTest, SecondLauncherDefersToTheFirst) {
    QJsonObject stall;
    stall[QStringLiteral("fault")] = QStringLiteral("stall-before");
    QJsonObject rules;
    rules[QStringLiteral("/updater.lst.kdz")] = stall;
    serve(clientFiles(), rules);

    QProcess first;
    first.setWorkingDirectory(m_client);
    first.start(clientFile(QStringLiteral("Kaldoria")), {QStringLiteral("--headless")});
    ASSERT_TRUE(first.waitForStarted());
    QDeadlineTimer deadline(60000);
    while (m_bad->gets().isEmpty() && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_EQ(m_bad->gets().size(), 1);

    const Run second = runChecked();
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_EQ(m_bad->gets().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));
    first.kill();
    first.waitForFinished();
}

} // namespace kaldoria::hardening
