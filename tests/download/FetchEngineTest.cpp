#include "download/FetchEngine.h"
#include "trust/Sha256.h"

#include "FetchReports.h"
#include "NginxServer.h"
#include "PlainHttpServer.h"
#include "ScopedAuthority.h"
#include "TestCertificates.h"
#include "UpdateServerFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace kaldoria::download {

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

} // namespace kaldoria::download
