#include "download/FetchEngine.h"

#include "NginxServer.h"
#include "UpdateServerFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>

namespace kaldoria::download {

using testsupport::NginxServer;
using testsupport::UpdateServerFolder;

namespace {

// Files fetched from a folder served by two nginx servers at once; each server may get its
// own copy of a file.
class MirrorFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QTemporaryDir* folder : {&m_list, &m_mirror, &m_targets})
            ASSERT_TRUE(folder->isValid());
    }
    // Serves `data` as `name` on both servers.
    void serve(const QString& name, const QByteArray& data) {
        write(m_list.filePath(name), data);
        write(m_mirror.filePath(name), data);
        m_data[name] = data;
    }
    static void write(const QString& path, const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }
    bool start(const QString& limitRate = {}) {
        m_listServer.emplace(testsupport::NginxOptions{.root = m_list.path(), .limitRate = limitRate});
        m_mirrorServer.emplace(testsupport::NginxOptions{.root = m_mirror.path(), .limitRate = limitRate});
        return m_listServer->start() && m_mirrorServer->start();
    }
    // Queues every served file on both servers.
    void queueAll(FetchEngine& engine) {
        for (const auto& [name, data] : m_data) {
            m_names.push_back(name);
            engine.fetch({.id = m_names.size() - 1,
                          .url = m_listServer->url(name),
                          .path = m_targets.filePath(name),
                          .mirrors = {m_mirrorServer->url(name)}});
        }
    }
    // The outcomes by name once every queued file is done (a minute at most).
    std::map<QString, FetchOutcome> waitForAll() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return m_outcomes.size() == m_names.size(); });
        std::map<QString, FetchOutcome> outcomes;
        for (const auto& [id, outcome] : m_outcomes)
            outcomes[m_names[id]] = outcome;
        return outcomes;
    }
    std::unique_ptr<FetchEngine> engine(FetchOptions options) {
        return std::make_unique<FetchEngine>(options, nullptr, [this](const FetchOutcome& outcome) {
            const std::lock_guard lock(m_mutex);
            m_outcomes[outcome.id] = outcome;
            m_changed.notify_all();
        });
    }
    // Every file arrived right, and its bytes are counted by the servers that sent them.
    void expectAllRight(const std::map<QString, FetchOutcome>& outcomes) {
        ASSERT_EQ(outcomes.size(), m_data.size());
        for (const auto& [name, outcome] : outcomes) {
            EXPECT_TRUE(outcome.ok()) << name.toStdString() << ": " << outcome.failure.describe().toStdString();
            EXPECT_EQ(outcome.md5, QCryptographicHash::hash(m_data[name], QCryptographicHash::Md5))
                << name.toStdString();
            EXPECT_EQ(std::accumulate(outcome.bytesFrom.begin(), outcome.bytesFrom.end(), qint64(0)),
                      m_data[name].size())
                << name.toStdString();
        }
    }

    QTemporaryDir m_list;
    QTemporaryDir m_mirror;
    QTemporaryDir m_targets;
    std::optional<NginxServer> m_listServer;
    std::optional<NginxServer> m_mirrorServer;
    std::map<QString, QByteArray> m_data;
    std::vector<QString> m_names;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<quint64, FetchOutcome> m_outcomes;
};

constexpr qint64 kRange = 64 * 1024;

FetchOptions smallRanges() {
    FetchOptions options;
    options.connections = 2;
    options.rangeBytes = kRange;
    options.stealBytes = qint64(1) << 40; // no stolen halves: a range resumed mid-way was retried
    return options;
}

} // namespace

// Small files and the ranges of a large one go to both servers, each within its connections.
TEST_F(MirrorFetchTest, FilesAndRangesSpreadOverBothServers) {
    for (int i = 0; i < 8; ++i)
        serve(QStringLiteral("small%1.bin").arg(i), UpdateServerFolder::noise(5000 + i, quint32(i)));
    serve(QStringLiteral("large.bin"), UpdateServerFolder::noise(int(20 * kRange + 5), 99));
    // Each range outlasts nginx's first second of bytes, so both servers stay busy and share
    // the large file, however fast the machine answers.
    ASSERT_TRUE(start(QStringLiteral("48k")));
    auto fetcher = engine(smallRanges());
    queueAll(*fetcher);
    ASSERT_NO_FATAL_FAILURE(expectAllRight(waitForAll()));

    const std::vector<ServerTally> servers = fetcher->servers();
    ASSERT_EQ(servers.size(), 2u);
    for (const ServerTally& server : servers) {
        EXPECT_GT(server.bytes, 0);
        EXPECT_GT(server.bytesPerSecond, 0);
        EXPECT_FALSE(server.dropped);
    }
    const qsizetype requests = m_listServer->accessLog().size() + m_mirrorServer->accessLog().size();
    EXPECT_GT(m_listServer->accessLog().filter(QStringLiteral("large.bin")).size(), 1);
    EXPECT_GT(m_mirrorServer->accessLog().filter(QStringLiteral("large.bin")).size(), 1);
    EXPECT_LE(requests, 8 + 21) << "every range once";
}

// A server stopped mid-fetch: its broken ranges go on from where they stopped on the other
// server, without using up the files' single attempt.
TEST_F(MirrorFetchTest, ServerStoppedMidFetchLeavesItsRangesToTheOther) {
    // nginx sends a second of its rate at once, so a range of two seconds' bytes is in flight
    // for a while.
    constexpr qint64 kSlowRange = 256 * 1024;
    for (int i = 0; i < 2; ++i)
        serve(QStringLiteral("file%1.bin").arg(i), UpdateServerFolder::noise(int(4 * kSlowRange + i), quint32(i)));
    ASSERT_TRUE(start(QStringLiteral("128k")));
    FetchOptions options = smallRanges();
    options.rangeBytes = kSlowRange;
    options.attemptsPerRange = 1;
    auto fetcher = engine(options);
    queueAll(*fetcher);
    // Once the mirror has sent a range, it is stopped with its next ones in flight.
    for (int i = 0; i < 600 && !(fetcher->servers().size() == 2 && fetcher->servers()[1].bytes > 0); ++i)
        QThread::msleep(20);
    m_mirrorServer.reset();
    const std::map<QString, FetchOutcome> outcomes = waitForAll();
    ASSERT_NO_FATAL_FAILURE(expectAllRight(outcomes));
    EXPECT_TRUE(std::any_of(outcomes.begin(), outcomes.end(),
                            [](const auto& outcome) { return outcome.second.bytesFrom.at(1) > 0; }));
    // A range continued where the stopped server broke off starts off the range grid.
    const QStringList log = m_listServer->accessLog();
    const auto resumed = std::count_if(log.begin(), log.end(), [](const QString& line) {
        const qint64 first = line.section(u'"', 1, 1).section(u'=', 1).section(u'-', 0, 0).toLongLong();
        return first % kSlowRange != 0;
    });
    EXPECT_GE(resumed, 1) << log.join(u'\n').toStdString();
}

struct WrongMirrorCase {
    const char* name;
    QByteArray (*mirrorCopy)(const QByteArray& right); // the mirror's file; null: it has none
};

class WrongMirrorTest : public MirrorFetchTest, public ::testing::WithParamInterface<WrongMirrorCase> {};

// A mirror that lacks the file or has another one of a different length under its name is not
// asked for that file again; the file comes right from the list's server on its one attempt.
TEST_P(WrongMirrorTest, FileComesFromTheListsServer) {
    const QString name = QStringLiteral("file.bin");
    serve(name, UpdateServerFolder::noise(int(8 * kRange + 3), 5));
    if (GetParam().mirrorCopy)
        write(m_mirror.filePath(name), GetParam().mirrorCopy(m_data[name]));
    else
        QFile::remove(m_mirror.filePath(name));
    ASSERT_TRUE(start());
    FetchOptions options = smallRanges();
    options.attemptsPerRange = 1;
    auto fetcher = engine(options);
    queueAll(*fetcher);
    ASSERT_NO_FATAL_FAILURE(expectAllRight(waitForAll()));
    EXPECT_FALSE(fetcher->servers().at(1).dropped) << "the server itself answers";
}

INSTANTIATE_TEST_SUITE_P(
    Mirrors, WrongMirrorTest,
    ::testing::Values(WrongMirrorCase{"Missing", nullptr},
                      WrongMirrorCase{"Longer", [](const QByteArray& right) { return right + "more"; }},
                      WrongMirrorCase{"Shorter", [](const QByteArray& right) { return right.left(100); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace kaldoria::download
