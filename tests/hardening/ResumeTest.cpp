#include "HardeningFixture.h"

#include "download/ResumeRecord.h"
#include "update/install/PartialDownloads.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace kaldoria::hardening {

using download::ResumeRecord;
using testsupport::UpdateServerFolder;

// A launcher killed while it fetches a packed file of several ranges, then run again: the
// second run takes up what the first left, and whatever the moment of the kill, it installs
// the server's file.
class ResumeTest : public HardeningFixture {
protected:
    static constexpr char kName[] = "\\system\\big.pak";

    void SetUp() override {
        HardeningFixture::SetUp();
        // Three ranges of the launcher's size, fetched slowly enough for several records.
        m_data = noise(24 * 1024 * 1024 + 4321, 11);
        UpdateServerFolder folder = clientFiles();
        folder.addFile(QString::fromLatin1(kName), m_data, kDate);
        m_nginxOptions.limitRate = QStringLiteral("1m");
        publish(folder);
        makeLauncher(configText());
    }

    QString packed() const {
        return update::PartialDownloads::packedPath(clientFile(QStringLiteral("updater")), QString::fromLatin1(kName));
    }
    QString control() const { return ResumeRecord::controlPath(packed()); }

    // Partly fetched files and control files left in the work folder.
    QStringList partials() const {
        return QDir(clientFile(QStringLiteral("updater"))).entryList({QStringLiteral("$part.*")}, QDir::Files);
    }

    void expectInstalled(const Run& again) {
        EXPECT_EQ(again.exitCode, 0) << again.output.toStdString();
        EXPECT_TRUE(readClient(QStringLiteral("system/big.pak")) == m_data) << "system/big.pak is not the server's";
        EXPECT_EQ(partials(), QStringList());
        EXPECT_EQ(leftovers(m_client), QStringList());
    }

    // How often each system call in the trace was made.
    static QMap<QString, int> callCounts(const QString& trace) {
        QMap<QString, int> counts;
        QFile file(trace);
        if (!file.open(QIODevice::ReadOnly))
            return counts;
        static const QRegularExpression call(QStringLiteral("^\\d+\\s+(\\w+)\\("));
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QRegularExpressionMatch m = call.match(QString::fromLatin1(line));
            if (m.hasMatch())
                ++counts[m.captured(1)];
        }
        return counts;
    }

    QByteArray m_data;
};

// What a transfer whose range was taken over may send beyond its new end before its connection
// is closed: what the sockets between nginx and the launcher hold.
constexpr qint64 kTakenOverSlack = qint64(4) * 1024 * 1024;

// Killed once its control file holds part of the file, the launcher's next run asks the
// server only for the rest of it.
TEST_F(ResumeTest, NextRunFetchesOnlyWhatTheKilledRunLacked) {
    QProcess launcher;
    launcher.setWorkingDirectory(m_client);
    launcher.setProcessChannelMode(QProcess::MergedChannels);
    launcher.start(clientFile(QStringLiteral("Kaldoria")), {QStringLiteral("--headless")});
    std::optional<ResumeRecord> record;
    for (QDeadlineTimer deadline(60000); !deadline.hasExpired() && launcher.state() != QProcess::NotRunning;
         QThread::msleep(20)) {
        record = ResumeRecord::load(control());
        if (record && record->writtenBytes() > 0)
            break;
    }
    ASSERT_TRUE(record) << "no control file appeared: " << launcher.readAll().toStdString();
    launcher.kill();
    launcher.waitForFinished();
    record = ResumeRecord::load(control());
    ASSERT_TRUE(record);
    const QStringList before = m_nginx->accessLog();
    qint64 lastConnection = 0;
    for (const QString& line : before)
        lastConnection = std::max(lastConnection, line.split(QLatin1Char(' ')).value(5).toLongLong());

    const Run again = runChecked();
    expectInstalled(again);
    // Requests of connections the killed run opened may be logged late; the second run's
    // connections come after all of them.
    qint64 sent = 0;
    for (const QString& line : m_nginx->accessLog()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.value(1) == QStringLiteral("/system/big.pak.kdz") && fields.value(5).toLongLong() > lastConnection)
            sent += fields.value(4).toLongLong();
    }
    // A range that a free connection took over near the end may have had a little more sent
    // before its own connection was closed; what the killed run recorded is never asked again.
    const qint64 missing = QFileInfo(serverFile(QStringLiteral("system/big.pak.kdz"))).size() - record->writtenBytes();
    EXPECT_GE(sent, missing);
    EXPECT_LE(sent, missing + kTakenOverSlack);
    EXPECT_TRUE(readClient(QStringLiteral("log.err"))
                    .contains("Resume file: system\\big.pak from " + QByteArray::number(record->writtenBytes())))
        << readClient(QStringLiteral("log.err")).toStdString();
}

// Killed at every write, flush and rename of the control file, and at every flush of the
// packed file before a record: the next run installs the server's file and leaves nothing.
TEST_F(ResumeTest, KilledAtEveryStepOfRecordingThenRunAgain) {
    const QString pristine = m_root.filePath(QStringLiteral("pristine"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), m_client, pristine}), 0);
    const auto restore = [&] {
        QDir(m_client).removeRecursively();
        return QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), pristine, m_client}) == 0;
    };
    const struct {
        QStringList paths;
        QString calls;
    } groups[] = {
        {{control(), control() + QStringLiteral(".new")},
         QStringLiteral("pwrite64,fdatasync,rename,renameat,renameat2")},
        {{packed()}, QStringLiteral("fdatasync")},
    };
    const QString trace = m_root.filePath(QStringLiteral("trace.txt"));
    QStringList points;
    for (const auto& group : groups) {
        straced(group.paths, group.calls, QString(), trace);
        ASSERT_TRUE(restore());
        const QMap<QString, int> counts = callCounts(trace);
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            for (int n = 1; n <= it.value(); ++n)
                points << group.paths.join(u'|') +
                              QStringLiteral("|inject=%1:signal=KILL:when=%2").arg(it.key()).arg(n);
    }
    // Records are written while the file arrives, so each kind of step happens more than once.
    ASSERT_GE(points.size(), 8) << points.join(u'\n').toStdString();
    for (const QString& point : points) {
        SCOPED_TRACE(point.toStdString());
        ASSERT_TRUE(restore());
        QStringList paths = point.split(u'|');
        const QString inject = paths.takeLast();
        straced(paths, inject.section(u'=', 1).section(u':', 0, 0), inject, QString());
        expectInstalled(runChecked());
        if (HasFailure())
            return;
    }
}

} // namespace kaldoria::hardening
