#include "download/FetchEngine.h"
#include "download/ResumeRecord.h"

#include "FetchReports.h"
#include "NginxServer.h"
#include "UpdateServerFolder.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace kaldoria::download {

using testsupport::NginxServer;
using testsupport::UpdateServerFolder;

namespace {

// nginx sends a second's worth of a limited answer at once: ranges must be longer than that.
constexpr qint64 kRange = 256 * 1024;
constexpr qsizetype kSize = 24 * kRange + 1234;

// A file of many ranges fetched by a first engine that ends partway (stopped, or its server
// gone), then by a second engine from a second server on the same folder, whose access log
// holds only the second fetch.
class ResumeFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_data = UpdateServerFolder::noise(int(kSize), 5);
        writeServed(m_data, QDateTime::currentDateTime().addSecs(-100));
    }

    void writeServed(const QByteArray& data, const QDateTime& modified) {
        QFile file(m_source.filePath(QStringLiteral("big.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(data), data.size());
        // nginx's validator is made of the modification time and the length.
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

    QString target() const { return m_targets.filePath(QStringLiteral("big.kdz")); }
    QString control() const { return ResumeRecord::controlPath(target()); }

    std::unique_ptr<FetchEngine> engine(FetchReports& reports) {
        FetchOptions options;
        options.connections = 3;
        options.rangeBytes = kRange;
        options.attemptsPerRange = 2;
        options.progressInterval = std::chrono::milliseconds(20);
        return std::make_unique<FetchEngine>(
            options, [&reports](quint64 id, qint64 received, qint64) { reports.progress(id, received); },
            [&reports](const FetchOutcome& outcome) { reports.done(outcome); },
            [&reports](quint64 id, qint64 present) { reports.resumed(id, present); });
    }

    // The first fetch, through a slow server, ended once a third of the file arrived: by
    // stopping the engine, or by stopping the server (the file then fails). Returns what its
    // control file says.
    std::optional<ResumeRecord> interrupted(bool stopServer) {
        auto server = std::make_unique<NginxServer>(
            testsupport::NginxOptions{.root = m_source.path(), .limitRate = QStringLiteral("100k")});
        EXPECT_TRUE(server->start()) << server->errorText().toStdString();
        m_port = server->port();
        FetchReports reports;
        auto fetcher = engine(reports);
        fetcher->fetch({.id = 0, .url = server->url(QStringLiteral("big.bin")), .path = target(), .resumable = true});
        EXPECT_TRUE(reports.waitForReceived(0, m_data.size() / 3));
        if (stopServer) {
            server.reset();
            const FetchOutcome outcome = reports.waitForDone(1)[0];
            EXPECT_FALSE(outcome.ok());
        } else {
            fetcher->stop();
            EXPECT_EQ(reports.doneCount(), 0u);
        }
        fetcher.reset();
        EXPECT_TRUE(QFile::exists(target()));
        const std::optional<ResumeRecord> record = ResumeRecord::load(control());
        QFile::remove(m_kept.filePath(QStringLiteral("target")));
        QFile::remove(m_kept.filePath(QStringLiteral("control")));
        EXPECT_TRUE(QFile::copy(target(), m_kept.filePath(QStringLiteral("target"))));
        EXPECT_TRUE(QFile::copy(control(), m_kept.filePath(QStringLiteral("control"))));
        return record;
    }

    // Puts back the target and the control file as the interrupted fetch left them.
    void restoreInterrupted() const {
        for (const QString& path : {target(), control()})
            QFile::remove(path);
        ASSERT_TRUE(QFile::copy(m_kept.filePath(QStringLiteral("target")), target()));
        ASSERT_TRUE(QFile::copy(m_kept.filePath(QStringLiteral("control")), control()));
    }

    struct Second {
        FetchOutcome outcome;
        std::vector<qint64> resumed;
        qint64 bytesSent = 0; // body bytes the server sent
    };

    // The second fetch, from a server on the same folder that takes the first one's port, or
    // from another server (another address) with `elsewhere`.
    Second fetchAgain(bool elsewhere = false) {
        NginxServer server({.root = m_source.path(), .port = elsewhere ? quint16(0) : m_port});
        EXPECT_TRUE(server.start()) << server.errorText().toStdString();
        FetchReports reports;
        auto fetcher = engine(reports);
        fetcher->fetch({.id = 0, .url = server.url(QStringLiteral("big.bin")), .path = target(), .resumable = true});
        Second second;
        second.outcome = reports.waitForDone(1)[0];
        second.resumed = reports.resumedOf(0);
        fetcher.reset();
        for (const QString& line : server.accessLog())
            second.bytesSent += line.split(QLatin1Char(' ')).value(4).toLongLong();
        return second;
    }

    static QByteArray md5(const QByteArray& data) { return QCryptographicHash::hash(data, QCryptographicHash::Md5); }
    QByteArray readTarget() const {
        QFile file(target());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_source;
    QTemporaryDir m_targets;
    QTemporaryDir m_kept;
    QByteArray m_data;
    quint16 m_port = 0;
};

} // namespace

// After a fetch that was stopped or whose server went away, the next fetch asks only for the
// bytes the control file does not hold, and the digest covers the whole file. It may go on
// from another server (a mirror, or the next one when the first is down) that serves the file
// under the same validator.
TEST_F(ResumeFetchTest, FetchesOnlyWhatTheControlFileLacks) {
    const struct {
        const char* name;
        bool stopServer;
        bool elsewhere;
    } cases[] = {{"engine stopped", false, false}, {"server gone", true, false}, {"another server", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<ResumeRecord> record = interrupted(c.stopServer);
        ASSERT_TRUE(record);
        EXPECT_GT(record->writtenBytes(), 0);
        EXPECT_LT(record->writtenBytes(), m_data.size());
        EXPECT_EQ(record->length, m_data.size());

        const Second second = fetchAgain(c.elsewhere);
        ASSERT_TRUE(second.outcome.ok()) << second.outcome.failure.describe().toStdString();
        EXPECT_EQ(second.outcome.md5, md5(m_data));
        EXPECT_EQ(readTarget(), m_data);
        EXPECT_EQ(second.resumed, std::vector<qint64>{record->writtenBytes()});
        EXPECT_EQ(second.bytesSent, m_data.size() - record->writtenBytes());
        EXPECT_FALSE(QFile::exists(control()));
        QFile::remove(target());
    }
}

// A file that changed on the server since the first fetch is fetched from its start: the
// bytes left of the old one are never mixed into it.
TEST_F(ResumeFetchTest, FileChangedOnTheServerIsFetchedWhole) {
    const struct {
        const char* name;
        qsizetype size;
    } cases[] = {{"same length", kSize}, {"shorter", 10 * kRange}, {"longer", 30 * kRange}};
    ASSERT_TRUE(interrupted(false));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restoreInterrupted();
        m_data = UpdateServerFolder::noise(int(c.size), 6);
        writeServed(m_data, QDateTime::currentDateTime().addSecs(-50));
        const Second second = fetchAgain();
        ASSERT_TRUE(second.outcome.ok()) << second.outcome.failure.describe().toStdString();
        EXPECT_EQ(second.outcome.md5, md5(m_data));
        EXPECT_EQ(readTarget(), m_data);
        ASSERT_EQ(second.resumed.size(), 2u);
        EXPECT_EQ(second.resumed[1], 0) << "the resume was not given up";
        EXPECT_FALSE(QFile::exists(control()));
        QFile::remove(target());
    }
}

// A control file that is damaged, or does not fit the target, is no reason to
// trust the target: the file is fetched whole, in exactly its own length of bytes.
TEST_F(ResumeFetchTest, ControlFileThatDoesNotFitStartsOver) {
    const auto rewrite = [this](const std::function<void(ResumeRecord&)>& change) {
        std::optional<ResumeRecord> record = ResumeRecord::load(control());
        ASSERT_TRUE(record);
        change(*record);
        ASSERT_TRUE(record->save(control()));
    };
    const auto rewriteText = [this](const std::function<void(QByteArray&)>& change) {
        QFile file(control());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray text = file.readAll();
        change(text);
        file.resize(0);
        file.seek(0);
        file.write(text);
    };
    const struct {
        const char* name;
        std::function<void()> damage;
    } cases[] = {
        {"torn", [&] { rewriteText([](QByteArray& text) { text.truncate(text.size() / 2); }); }},
        {"one byte changed", [&] { rewriteText([](QByteArray& text) { text[text.size() / 2] ^= 0x20; }); }},
        {"another length", [&] { rewrite([](ResumeRecord& r) { r.length += 1; }); }},
        {"target shorter than recorded", [&] { ASSERT_TRUE(QFile::resize(target(), m_data.size() - 1)); }},
        {"every byte recorded", [&] { rewrite([](ResumeRecord& r) {
                                          r.written = {{0, r.length - 1}};
                                      }); }},
    };
    ASSERT_TRUE(interrupted(false));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restoreInterrupted();
        c.damage();
        const Second second = fetchAgain();
        ASSERT_TRUE(second.outcome.ok()) << second.outcome.failure.describe().toStdString();
        EXPECT_EQ(readTarget(), m_data);
        EXPECT_TRUE(second.resumed.empty());
        EXPECT_EQ(second.bytesSent, m_data.size());
        EXPECT_FALSE(QFile::exists(control()));
        QFile::remove(target());
    }
}

} // namespace kaldoria::download
