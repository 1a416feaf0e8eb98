#include "HardeningFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

namespace {

const QString kRenames = QStringLiteral("rename,renameat,renameat2");
const QString kWrites = QStringLiteral("write,pwrite64,writev,fsync,fdatasync");
const QString kTraced = kRenames + QLatin1Char(',') + kWrites;
// Write calls are many (the downloaded bytes); this many evenly spread ones are killed at.
constexpr int kWritePoints = 24;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), from, to}) == 0;
}

} // namespace

// The launcher killed (SIGKILL, by strace at the Nth call of a system call) at every rename
// and at spread write calls of an update run, then run again: the second run ends at the
// server's state, and the settings file and "OldList.lst" are always whole.
class CrashTest : public HardeningFixture {
protected:
    // The server's first state, installed; the second published. Returns the second.
    UpdateServerFolder installFirstAndPublishSecond(bool newLauncher) {
        UpdateServerFolder first = clientFiles();
        first.addFile(QStringLiteral("\\obsolete.dll"), "old library", kDate);
        serve(first);
        const Run installed = run({QStringLiteral("--headless")});
        EXPECT_EQ(installed.exitCode, 0) << installed.output.toStdString();

        UpdateServerFolder second;
        second.addFile(QStringLiteral("\\kd.exe"), "game program 2", kDate + 1);
        second.addFile(QStringLiteral("\\system\\data.pak"), noise(300000, 3), kDate + 1);
        second.addFile(QStringLiteral("\\system\\new.dat"), noise(150000, 4), kDate + 1);
        second.setDelete({QStringLiteral("\\obsolete.dll")});
        // Required, so that the changed files are checked in a normal run.
        QStringList required{QStringLiteral("\\kd.exe"), QStringLiteral("\\system\\data.pak")};
        if (newLauncher) {
            const QString launcher = m_root.filePath(QStringLiteral("new/Kaldoria"));
            QDir().mkpath(QFileInfo(launcher).path());
            makeLauncher(configText({m_bad->url()}, QStringLiteral("[mainwindow]\ncaption=New")), launcher);
            second.addFile(QStringLiteral("\\Kaldoria"), readAll(launcher), kDate + 1);
            required << QStringLiteral("\\Kaldoria");
        }
        second.setRequired(required);
        EXPECT_TRUE(second.publish(m_server));
        QFile::remove(serverFile(QStringLiteral("obsolete.dll.kdz")));
        return second;
    }

    // The highest count of each traced system call made by one thread.
    QMap<QString, int> callsPerThread(const QString& trace) {
        QMap<QPair<QString, QString>, int> counts;
        static const QRegularExpression call(QStringLiteral("^(\\d+)\\s+(\\w+)\\("));
        for (const QByteArray& line : readAll(trace).split('\n')) {
            const QRegularExpressionMatch m = call.match(QString::fromLatin1(line));
            if (m.hasMatch())
                ++counts[{m.captured(1), m.captured(2)}];
        }
        QMap<QString, int> highest;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            highest[it.key().second] = std::max(highest.value(it.key().second), it.value());
        return highest;
    }

    void expectServerState(const UpdateServerFolder& second, bool newLauncher) {
        EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program 2"));
        EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), noise(300000, 3));
        EXPECT_EQ(readClient(QStringLiteral("system/new.dat")), noise(150000, 4));
        EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("obsolete.dll"))));
        if (newLauncher) {
            EXPECT_EQ(readClient(QStringLiteral("Kaldoria")), readAll(m_root.filePath(QStringLiteral("new/Kaldoria"))));
        }
        Q_UNUSED(second);
    }

    void crashEverywhere(bool newLauncher) {
        const UpdateServerFolder second = installFirstAndPublishSecond(newLauncher);
        const QString pristine = m_root.filePath(QStringLiteral("pristine"));
        ASSERT_TRUE(copyFolder(m_client, pristine));
        const QByteArray oldList = readClient(QStringLiteral("updater/OldList.lst"));
        const QByteArray oldSettings = readClient(QStringLiteral("updater/Kaldoria.ini"));

        const QString trace = m_root.filePath(QStringLiteral("trace.txt"));
        const QByteArray traced = straced({}, kTraced, QString(), trace);
        expectServerState(second, newLauncher);
        ASSERT_FALSE(HasFailure()) << traced.toStdString();
        const QByteArray newList = readClient(QStringLiteral("updater/OldList.lst"));
        const QByteArray newSettings = readClient(QStringLiteral("updater/Kaldoria.ini"));
        const QMap<QString, int> calls = callsPerThread(trace);
        QFile::remove(trace);

        QStringList points;
        for (const QString& name : kRenames.split(u','))
            for (int n = 1; n <= calls.value(name); ++n)
                points << QStringLiteral("inject=%1:signal=KILL:when=%2").arg(name).arg(n);
        for (const QString& name : kWrites.split(u',')) {
            const int count = calls.value(name);
            const int step = std::max(1, count / kWritePoints);
            for (int n = 1; n <= count; n += step)
                points << QStringLiteral("inject=%1:signal=KILL:when=%2").arg(name).arg(n);
        }
        ASSERT_FALSE(points.isEmpty());
        for (const QString& point : points) {
            SCOPED_TRACE(point.toStdString());
            ASSERT_TRUE(copyFolder(pristine, m_client));
            straced({}, kTraced, point, QString());
            // Every record is one that a finished run writes: a self-update saves the list with
            // the launcher's new record before the restart, beside the other files' old ones.
            const QByteArray list = readClient(QStringLiteral("updater/OldList.lst"));
            for (const QByteArray& record : list.split('\n'))
                EXPECT_TRUE(oldList.split('\n').contains(record) || newList.split('\n').contains(record))
                    << list.toStdString();
            const QByteArray settings = readClient(QStringLiteral("updater/Kaldoria.ini"));
            EXPECT_TRUE(settings == oldSettings || settings == newSettings) << settings.toStdString();
            const QFileInfo launcher(clientFile(QStringLiteral("Kaldoria")));
            EXPECT_TRUE(launcher.isFile() && launcher.isExecutable()) << "the launcher's program file is missing";

            const Run again = runChecked();
            EXPECT_EQ(again.exitCode, 0) << again.output.toStdString();
            expectServerState(second, newLauncher);
            EXPECT_EQ(leftovers(m_client), QStringList()) << "the run after the kill left temporary files";
            if (HasFailure())
                return;
        }
    }
};

TEST_F(CrashTest, KilledAtEveryRenameAndWriteThenRunAgain) {
    crashEverywhere(false);
}

TEST_F(CrashTest, KilledDuringSelfUpdateLeavesARunnableProgramFile) {
    crashEverywhere(true);
}

} // namespace kaldoria::hardening
