#include "download/FetchEngine.h"
#include "trust/Sha256.h"

#include "FaultServer.h"
#include "FetchReports.h"
#include "NginxServer.h"
#include "PlainHttpServer.h"
#include "ScopedAuthority.h"
#include "TestCertificates.h"
#include "UpdateServerFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <map>

namespace kaldoria::download {

using testsupport::FaultServer;
using testsupport::NginxOptions;
using testsupport::NginxServer;
using testsupport::UpdateServerFolder;

namespace {

class FetchEngineTest : public ::testing::Test {
protected:
    QString serve(const QString& name, const QByteArray& data) {
        const QString path = m_source.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        m_data[name] = data;
        return path;
    }
    QString target(const QString& name) const { return m_targets.filePath(name); }
    std::unique_ptr<FetchEngine> engine(FetchOptions options) {
        return std::make_unique<FetchEngine>(
            options, [this](quint64 id, qint64 received, qint64) { m_reports.progress(id, received); },
            [this](const FetchOutcome& outcome) { m_reports.done(outcome); });
    }
    static QByteArray md5(const QByteArray& data) { return QCryptographicHash::hash(data, QCryptographicHash::Md5); }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Fetches the served file `name` from `url` and checks that it arrived whole and right.
    void fetchOne(const FetchOptions& options, const QString& name, const QString& url) {
        auto fetcher = engine(options);
        fetcher->fetch({.id = 0, .url = url, .path = target(name)});
        const std::map<quint64, FetchOutcome> outcomes = m_reports.waitForDone(1);
        ASSERT_EQ(outcomes.size(), 1u) << "the file did not arrive within a minute";
        const FetchOutcome& outcome = outcomes.at(0);
        EXPECT_TRUE(outcome.ok()) << outcome.failure.describe().toStdString();
        EXPECT_EQ(readFile(target(name)), m_data[name]);
        EXPECT_EQ(outcome.md5, md5(m_data[name]));
        EXPECT_EQ(outcome.length, m_data[name].size());
    }
    // Fetches every served file from `server` and checks that each arrived whole, with the
    // digest the options ask for and the length of its bytes.
    void fetchEveryServedFile(const FetchOptions& options, const NginxServer& server) {
        const std::unique_ptr<FetchEngine> engineOwned = engine(options);
        FetchEngine& fetcher = *engineOwned;
        std::vector<QString> names;
        for (const auto& [name, data] : m_data) {
            fetcher.fetch({.id = names.size(), .url = server.url(name), .path = target(name)});
            names.push_back(name);
        }
        const std::map<quint64, FetchOutcome> outcomes = m_reports.waitForDone(names.size());
        ASSERT_EQ(outcomes.size(), names.size());
        for (const auto& [id, outcome] : outcomes) {
            const QString& name = names[id];
            EXPECT_TRUE(outcome.ok()) << name.toStdString() << ": " << outcome.failure.describe().toStdString();
            EXPECT_EQ(readFile(target(name)), m_data[name]) << name.toStdString();
            if (options.digest == FileDigest::Sha256) {
                EXPECT_EQ(outcome.sha256, trust::Sha256::of(m_data[name])) << name.toStdString();
                EXPECT_TRUE(outcome.md5.isEmpty()) << name.toStdString();
            } else {
                EXPECT_EQ(outcome.md5, md5(m_data[name])) << name.toStdString();
                EXPECT_FALSE(outcome.sha256) << name.toStdString();
            }
            EXPECT_EQ(outcome.length, m_data[name].size()) << name.toStdString();
        }
    }

    QTemporaryDir m_source;
    QTemporaryDir m_targets;
    std::map<QString, QByteArray> m_data;
    FetchReports m_reports;
};

// One request as the fault server logged it: its range (-1 when none) and its connection.
struct LoggedRequest {
    qint64 first = -1;
    int connection = 0;
};

std::vector<LoggedRequest> getRequests(const QStringList& lines) {
    std::vector<LoggedRequest> requests;
    for (const QString& line : lines) {
        if (!line.startsWith(QLatin1String("REQ GET ")))
            continue;
        LoggedRequest request;
        for (const QString& field : line.split(u' ')) {
            if (field.startsWith(QLatin1String("range=bytes=")))
                request.first = field.mid(12).section(u'-', 0, 0).toLongLong();
            else if (field.startsWith(QLatin1String("conn=")))
                request.connection = field.mid(5).toInt();
        }
        requests.push_back(request);
    }
    return requests;
}

} // namespace

// Many small files and two files larger than a range share a few connections that stay open:
// a small file costs one request, a large one a request per range, and every file arrives
// whole with the digests of its bytes, however its ranges finished.
TEST_F(FetchEngineTest, ManyFilesShareFewKeptAliveConnections) {
    constexpr int kSmall = 40;
    constexpr qint64 kRange = 64 * 1024;
    for (int i = 0; i < kSmall; ++i)
        serve(QStringLiteral("small%1.bin").arg(i), UpdateServerFolder::noise(100 + i * 997, quint32(i)));
    serve(QStringLiteral("empty.bin"), QByteArray());
    serve(QStringLiteral("large.bin"), UpdateServerFolder::noise(int(10 * kRange + 123), 7));
    serve(QStringLiteral("exact.bin"), UpdateServerFolder::noise(int(3 * kRange), 8));
    NginxServer nginx({.root = m_source.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();

    FetchOptions options;
    options.connections = 3;
    options.rangeBytes = kRange;
    options.digest = FileDigest::Sha256;
    ASSERT_NO_FATAL_FAILURE(fetchEveryServedFile(options, nginx));

    const qsizetype requestsExpected = kSmall + 1 + 11 + 3;
    const QStringList log = nginx.accessLog(requestsExpected);
    std::map<QString, int> requests;
    QSet<QString> connections;
    for (const QString& line : log) {
        const QStringList fields = line.split(QLatin1Char(' '));
        ASSERT_GE(fields.size(), 6) << line.toStdString();
        ++requests[fields[1].mid(1)];
        connections.insert(fields[5]);
    }
    EXPECT_EQ(log.size(), requestsExpected) << log.join(u'\n').toStdString();
    EXPECT_EQ(requests[QStringLiteral("small7.bin")], 1);
    EXPECT_EQ(requests[QStringLiteral("large.bin")], 11);
    EXPECT_EQ(requests[QStringLiteral("exact.bin")], 3);
    EXPECT_LE(connections.size(), 3) << log.join(u'\n').toStdString();
}

// A server that offers HTTP/2 carries every transfer, ranges of a large file included, as
// streams of one connection.
TEST_F(FetchEngineTest, OverHttp2TransfersShareOneConnection) {
    testsupport::TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    const testsupport::ScopedAuthority authority("SSL_CERT_FILE", certificates.caFile());
    for (int i = 0; i < 12; ++i)
        serve(QStringLiteral("f%1.bin").arg(i), UpdateServerFolder::noise(5000 + i, quint32(i)));
    serve(QStringLiteral("large.bin"), UpdateServerFolder::noise(400000, 9));
    NginxServer nginx({.root = m_source.path(),
                       .certFile = certificates.certFile(),
                       .keyFile = certificates.keyFile(),
                       .http2 = true});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    FetchOptions options;
    options.rangeBytes = 64 * 1024;
    ASSERT_NO_FATAL_FAILURE(fetchEveryServedFile(options, nginx));
    QSet<QString> connections;
    const QStringList log = nginx.accessLog(12 + 7);
    for (const QString& line : log)
        connections.insert(line.split(QLatin1Char(' ')).value(5));
    EXPECT_EQ(log.size(), 12 + 7);
    EXPECT_EQ(connections.size(), 1) << log.join(u'\n').toStdString();
}

// A server that offers no ranges answers the first request with the whole file: one request.
TEST_F(FetchEngineTest, ServerWithoutRangesSendsTheFileWhole) {
    serve(QStringLiteral("file.bin"), UpdateServerFolder::noise(300000, 3));
    testsupport::PlainHttpServer server(m_source.path());
    ASSERT_TRUE(server.start());
    FetchOptions options;
    options.rangeBytes = 64 * 1024;
    auto fetcher = engine(options);
    fetcher->fetch({.id = 0, .url = server.url(QStringLiteral("file.bin")), .path = target(QStringLiteral("f"))});
    const FetchOutcome outcome = m_reports.waitForDone(1)[0];
    EXPECT_TRUE(outcome.ok()) << outcome.failure.describe().toStdString();
    EXPECT_EQ(readFile(target(QStringLiteral("f"))), m_data[QStringLiteral("file.bin")]);
    EXPECT_EQ(outcome.md5, md5(m_data[QStringLiteral("file.bin")]));
    EXPECT_EQ(server.count(QStringLiteral("GET"), 1), 1);
}

// A missing file fails at once with its status and leaves no target; the files around it
// arrive.
TEST_F(FetchEngineTest, OneMissingFileFailsAloneAndLeavesNoTarget) {
    serve(QStringLiteral("a.bin"), "first");
    serve(QStringLiteral("c.bin"), "third");
    NginxServer nginx({.root = m_source.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    auto fetcher = engine({});
    int id = 0;
    for (const char* name : {"a.bin", "b.bin", "c.bin"})
        fetcher->fetch(
            {.id = quint64(id++), .url = nginx.url(QLatin1String(name)), .path = target(QLatin1String(name))});
    std::map<quint64, FetchOutcome> outcomes = m_reports.waitForDone(3);
    EXPECT_TRUE(outcomes[0].ok());
    EXPECT_EQ(outcomes[1].failure.kind, DownloadFailure::Kind::HttpStatus);
    EXPECT_EQ(outcomes[1].failure.httpStatus, 404);
    EXPECT_FALSE(QFile::exists(target(QStringLiteral("b.bin"))));
    EXPECT_TRUE(outcomes[2].ok());
    EXPECT_EQ(readFile(target(QStringLiteral("c.bin"))), QByteArray("third"));
    EXPECT_EQ(nginx.accessLog(3).filter(QStringLiteral("/b.bin")).size(), 1);
}

// Stopping with files in flight and files waiting removes every unfinished target, and no
// report follows.
TEST_F(FetchEngineTest, StopWithFilesInFlightLeavesNoTarget) {
    for (int i = 0; i < 8; ++i)
        serve(QStringLiteral("f%1.bin").arg(i), UpdateServerFolder::noise(2000000, quint32(i)));
    NginxServer nginx({.root = m_source.path(), .limitRate = QStringLiteral("100k")});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    FetchOptions options;
    options.connections = 3;
    options.progressInterval = std::chrono::milliseconds(20);
    auto fetcher = engine(options);
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("f%1.bin").arg(i);
        fetcher->fetch({.id = quint64(i), .url = nginx.url(name), .path = target(name)});
    }
    ASSERT_TRUE(m_reports.waitForProgress());
    fetcher->stop();
    EXPECT_EQ(m_reports.doneCount(), 0u);
    EXPECT_TRUE(QDir(m_targets.path()).entryList(QDir::Files).isEmpty())
        << QDir(m_targets.path()).entryList(QDir::Files).join(u' ').toStdString();
}

// A rate limit holds for all transfers together: 6 MiB over four connections (or as HTTP/2
// streams of one) at 2 MiB/s cannot arrive in less than three seconds, and every file
// arrives whole although its transfers were paused and went on many times.
TEST_F(FetchEngineTest, RateLimitHoldsForAllTransfersTogether) {
    constexpr qint64 kMiB = 1024 * 1024;
    testsupport::TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    const testsupport::ScopedAuthority authority("SSL_CERT_FILE", certificates.caFile());
    for (int i = 0; i < 6; ++i)
        serve(QStringLiteral("f%1.bin").arg(i), UpdateServerFolder::noise(int(kMiB), quint32(i)));
    const NginxOptions servers[] = {
        {.root = m_source.path()},
        {.root = m_source.path(),
         .certFile = certificates.certFile(),
         .keyFile = certificates.keyFile(),
         .http2 = true},
    };
    for (const NginxOptions& serverOptions : servers) {
        SCOPED_TRACE(serverOptions.http2 ? "HTTP/2" : "HTTP/1.1");
        m_reports.clear();
        NginxServer nginx(serverOptions);
        ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
        FetchOptions options;
        options.connections = 4;
        options.rangeBytes = 256 * 1024;
        options.maxBytesPerSecond = 2 * kMiB;
        QElapsedTimer clock;
        clock.start();
        ASSERT_NO_FATAL_FAILURE(fetchEveryServedFile(options, nginx));
        // 6 MiB at 2 MiB/s; the budget starts empty, so only the first chunk comes early.
        EXPECT_GE(clock.elapsed(), 2900);
    }
}

// A server that answers the ranges of a file and then, for one of them, the whole file: the
// file starts again whole and arrives right.
TEST_F(FetchEngineTest, ServerThatStopsHonouringRangesMidFileSendsItWhole) {
    constexpr qint64 kRange = 256 * 1024;
    const QString name = QStringLiteral("file.bin");
    const QString path = serve(name, UpdateServerFolder::noise(int(4 * kRange + 99), 4));
    FaultServer server(path,
                       {QStringLiteral("--fault"), QStringLiteral("ignore-range"), QStringLiteral("--range-first"),
                        QString::number(2 * kRange), QStringLiteral("--times"), QStringLiteral("1")});
    ASSERT_TRUE(server.start());
    FetchOptions options;
    options.rangeBytes = kRange;
    ASSERT_NO_FATAL_FAILURE(fetchOne(options, name, server.url()));
    // Ranges asked for before the whole answer came may reach the log after the whole request.
    const std::vector<LoggedRequest> requests = getRequests(server.requests());
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const LoggedRequest& r) { return r.first == -1; }))
        << server.requests().join(u'\n').toStdString();
}

// A connection that trickles a few bytes a second is given up once it fell below the floor for
// the watchdog's window: its range keeps what arrived, the rest comes over another connection,
// and the trickling one is not asked again. The floor is either the fixed rate or a share of
// the rate the other connections get.
struct TrickleCase {
    const char* name;
    qint64 slowRate;
    double slowShare;
    const char* serverRate; // bytes per second of every answer but the trickle; "0": unpaced
};

void PrintTo(const TrickleCase& row, std::ostream* out) {
    *out << row.name;
}

class TrickleTest : public FetchEngineTest, public ::testing::WithParamInterface<TrickleCase> {};

TEST_P(TrickleTest, TricklingConnectionIsGivenUpAndTheFileArrivesWhole) {
    const TrickleCase& row = GetParam();
    constexpr qint64 kRange = 512 * 1024;
    const QString name = QStringLiteral("file.bin");
    const QString path = serve(name, UpdateServerFolder::noise(int(4 * kRange), 5));
    FaultServer server(path, {QStringLiteral("--fault"), QStringLiteral("trickle"), QStringLiteral("--connection"),
                              QStringLiteral("1"), QStringLiteral("--rate"), QLatin1String(row.serverRate)});
    ASSERT_TRUE(server.start());
    FetchOptions options;
    options.connections = 3;
    options.rangeBytes = kRange;
    options.slowRate = row.slowRate;
    options.slowShare = row.slowShare;
    options.slowGrace = std::chrono::milliseconds(500);
    options.slowWindow = std::chrono::milliseconds(1000);
    options.stealBytes = 4 * kRange; // the trickling range is never split here
    ASSERT_NO_FATAL_FAILURE(fetchOne(options, name, server.url()));

    const std::vector<LoggedRequest> requests = getRequests(server.requests());
    const QString log = server.requests().join(u'\n');
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().first, 0);
    EXPECT_EQ(requests.front().connection, 1);
    const auto onFirst = std::count_if(requests.begin(), requests.end(),
                                       [](const LoggedRequest& request) { return request.connection == 1; });
    EXPECT_EQ(onFirst, 1) << log.toStdString();
    // The rest of the first range, from where the trickle stopped.
    const auto rest = std::find_if(requests.begin(), requests.end(), [](const LoggedRequest& request) {
        return request.first > 0 && request.first < kRange;
    });
    EXPECT_NE(rest, requests.end()) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Floors, TrickleTest,
                         ::testing::Values(TrickleCase{"FixedRate", 1000, 0, "0"},
                                           TrickleCase{"ShareOfTheBest", 0, 0.05, "400000"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Among small files, each done before any transfer is measured, the rate of the finished ones
// sets the bar: a connection that trickles is still given up and every file arrives.
TEST_F(FetchEngineTest, TricklingConnectionAmongSmallFilesIsGivenUp) {
    const QString name = QStringLiteral("file.bin");
    const QString path = serve(name, UpdateServerFolder::noise(64 * 1024, 7));
    FaultServer server(path, {QStringLiteral("--fault"), QStringLiteral("trickle"), QStringLiteral("--connection"),
                              QStringLiteral("1"), QStringLiteral("--rate"), QStringLiteral("400000")});
    ASSERT_TRUE(server.start());
    FetchOptions options;
    options.connections = 3;
    options.slowRate = 0;
    options.slowShare = 0.05;
    options.slowGrace = std::chrono::milliseconds(500);
    options.slowWindow = std::chrono::milliseconds(1000);
    const std::unique_ptr<FetchEngine> fetcher = engine(options);
    constexpr quint64 kFiles = 12;
    for (quint64 id = 0; id < kFiles; ++id)
        fetcher->fetch(
            {.id = id, .url = server.url(), .path = target(QStringLiteral("%1.bin").arg(id)), .small = true});
    const std::map<quint64, FetchOutcome> outcomes = m_reports.waitForDone(kFiles);
    ASSERT_EQ(outcomes.size(), kFiles) << server.requests().join(u'\n').toStdString();
    for (const auto& [id, outcome] : outcomes) {
        EXPECT_TRUE(outcome.ok()) << id << ": " << outcome.failure.describe().toStdString();
        EXPECT_EQ(readFile(target(QStringLiteral("%1.bin").arg(id))), m_data[name]) << id;
    }
}

// With nothing else to fetch, free connections take over halves of the running range: the file
// is fetched over several connections and arrives whole and right, every byte once. Under a rate
// limit, transfers are paused and go on many times; a range that was taken over still ends its
// transfer once it holds its own bytes, rather than reading the rest of its answer to waste.
struct TakeOverCase {
    const char* name;
    qint64 maxBytesPerSecond;
};

void PrintTo(const TakeOverCase& row, std::ostream* out) {
    *out << row.name;
}

class TakeOverTest : public FetchEngineTest, public ::testing::WithParamInterface<TakeOverCase> {};

TEST_P(TakeOverTest, FreeConnectionsTakeOverHalvesOfTheLastRange) {
    const qint64 size = 8 * 1024 * 1024 + 77;
    const QString name = QStringLiteral("large.bin");
    serve(name, UpdateServerFolder::noise(int(size), 6));
    NginxServer nginx({.root = m_source.path(), .limitRate = QStringLiteral("1m")});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    FetchOptions options;
    options.connections = 4;
    options.rangeBytes = 16 * 1024 * 1024; // the first answer carries the whole file
    options.stealBytes = 256 * 1024;
    options.maxBytesPerSecond = GetParam().maxBytesPerSecond;
    ASSERT_NO_FATAL_FAILURE(fetchOne(options, name, nginx.url(name)));
    // nginx logs a cut answer once it notices the closed connection, perhaps after the others.
    const auto firstLogged = [&nginx] {
        const QStringList lines = nginx.accessLog();
        return std::any_of(lines.begin(), lines.end(),
                           [](const QString& line) { return line.contains(QLatin1String("\"bytes=0-")); });
    };
    QElapsedTimer waited;
    waited.start();
    while (!firstLogged() && waited.elapsed() < 5000)
        QThread::msleep(50);
    const QStringList log = nginx.accessLog(4);
    QSet<QString> connections;
    qint64 firstAnswer = -1;
    for (const QString& line : log) {
        const QStringList fields = line.split(u' ');
        connections.insert(fields.value(5));
        if (fields.value(2).startsWith(QLatin1String("\"bytes=0-")))
            firstAnswer = fields.value(4).toLongLong();
    }
    EXPECT_GE(log.size(), 4) << log.join(u'\n').toStdString();
    EXPECT_GE(connections.size(), 4) << log.join(u'\n').toStdString();
    // The first answer carries the whole file, but its range was taken over early: it is cut
    // (what nginx counts also holds what sat in the socket buffers then), not read to its end.
    EXPECT_GE(firstAnswer, 0) << log.join(u'\n').toStdString();
    EXPECT_LT(firstAnswer, size) << log.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Limits, TakeOverTest,
                         ::testing::Values(TakeOverCase{"Unlimited", 0}, TakeOverCase{"RateLimited", 2 * 1024 * 1024}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace kaldoria::download
