#include "net/HttpClient.h"

#include "FaultServer.h"
#include "LocalPorts.h"
#include "NginxServer.h"
#include "ScopedAuthority.h"
#include "TestCertificates.h"
#include "TestFiles.h"

#include "platform/TerminateRequest.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace kaldoria::net;
using kaldoria::platform::CancelToken;
using kaldoria::platform::TerminateRequest;
using namespace kaldoria::testsupport;

namespace {

// A served folder holding "file.bin" of `size` pattern bytes.
struct ServedFile {
    explicit ServedFile(qint64 size) : bytes(patternBytes(size)) {
        QFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QString path() const { return folder.filePath(QStringLiteral("file.bin")); }

    QTemporaryDir folder;
    QByteArray bytes;
};

HttpResult getInto(HttpClient& client, const QString& url, QByteArray& body, const HttpGetOptions& options = {}) {
    QBuffer buffer(&body);
    buffer.open(QIODevice::WriteOnly);
    return client.get(url, buffer, options);
}

} // namespace

TEST(HttpClient, HeadAndRangedGetShareOneConnection) {
    ServedFile served(100000);
    NginxServer nginx({.root = served.folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();

    HttpClient client;
    const HttpResult head = client.head(nginx.url(QStringLiteral("file.bin")));
    ASSERT_TRUE(head.ok()) << head.message.toStdString();
    EXPECT_EQ(head.contentLength, 100000);

    QByteArray body;
    QList<qint64> progress;
    HttpGetOptions options;
    options.headerLines = {"Range: bytes=10-99999"};
    options.onProgress = [&](qint64 received) { progress.append(received); };
    const HttpResult get = getInto(client, nginx.url(QStringLiteral("file.bin")), body, options);
    ASSERT_TRUE(get.ok()) << get.message.toStdString();
    EXPECT_EQ(get.status, 206);
    EXPECT_EQ(body, served.bytes.mid(10));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), 99990);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    const QStringList log = nginx.accessLog(2);
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("HEAD /file.bin \"-\" 200")));
    EXPECT_TRUE(log[1].startsWith(QStringLiteral("GET /file.bin \"bytes=10-99999\" 206")));
    EXPECT_TRUE(log[1].endsWith(QStringLiteral("\"%1\"").arg(QLatin1String(kUserAgent))));
    // Same connection number: the GET went over the HEAD's kept connection.
    EXPECT_EQ(log[0].split(u' ').at(5), log[1].split(u' ').at(5));
}

TEST(HttpClient, HeadWithoutContentLengthReportsNone) {
    ServedFile served(1000);
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("head-no-length")});
    ASSERT_TRUE(server.start());
    HttpClient client;
    const HttpResult head = client.head(server.url());
    EXPECT_TRUE(head.ok());
    EXPECT_EQ(head.contentLength, -1);
}

struct FailureCase {
    const char* name;
    QStringList arguments;
    HttpError error;
};

class HttpClientFailure : public ::testing::TestWithParam<FailureCase> {};

// Every failure is reported as such, and nothing of an error answer reaches the stream.
TEST_P(HttpClientFailure, IsReportedAndWritesNoErrorBody) {
    ServedFile served(100000);
    FaultServer server(served.path(), GetParam().arguments);
    ASSERT_TRUE(server.start());
    HttpClient client;
    QByteArray body;
    HttpGetOptions options;
    options.headerLines = {"Range: bytes=0-99999"};
    const HttpResult result = getInto(client, server.url(), body, options);
    EXPECT_EQ(result.error, GetParam().error) << result.message.toStdString();
    if (GetParam().error != HttpError::Transfer) {
        EXPECT_TRUE(body.isEmpty());
    }
    EXPECT_EQ(server.requests().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HttpClientFailure,
    ::testing::Values(
        FailureCase{"NotFound", {QStringLiteral("--fault"), QStringLiteral("status-404")}, HttpError::Status},
        FailureCase{"CutMidBody", {QStringLiteral("--fault"), QStringLiteral("cut-mid")}, HttpError::Transfer},
        FailureCase{
            "ShorterThanAnnounced", {QStringLiteral("--fault"), QStringLiteral("long-length")}, HttpError::Transfer}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClient, RefusedConnectionIsAConnectError) {
    HttpClient client;
    QByteArray body;
    const HttpResult result =
        getInto(client, QStringLiteral("http://127.0.0.1:%1/file.bin").arg(unusedLocalPort()), body);
    EXPECT_EQ(result.error, HttpError::Connect);
}

TEST(HttpClient, RefusedHeadMeansNoBodyWritten) {
    ServedFile served(1000);
    FaultServer server(served.path(), {});
    ASSERT_TRUE(server.start());
    HttpClient client;
    QByteArray body;
    HttpGetOptions options;
    options.acceptHead = [](const HttpResponseHead& head) { return head.status() == 206; };
    const HttpResult result = getInto(client, server.url(), body, options);
    EXPECT_EQ(result.error, HttpError::Refused);
    EXPECT_TRUE(body.isEmpty());
}

// A GET blocked on a silent server ends as soon as another thread disconnects; after
// clearDisconnect() the same client works again.
TEST(HttpClient, DisconnectFromAnotherThreadEndsABlockedGet) {
    ServedFile served(1000);
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("stall-before"),
                                       QStringLiteral("--times"), QStringLiteral("1")});
    ASSERT_TRUE(server.start());
    HttpClient client;
    QByteArray body;
    HttpResult result;
    std::thread worker([&] { result = getInto(client, server.url(), body); });
    while (server.requests().isEmpty())
        ;
    client.disconnect();
    worker.join();
    EXPECT_EQ(result.error, HttpError::Aborted);

    EXPECT_EQ(getInto(client, server.url(), body).error, HttpError::Aborted); // still cut
    client.clearDisconnect();
    EXPECT_TRUE(getInto(client, server.url(), body).ok());
    EXPECT_EQ(body, served.bytes);
}

// A terminate request that arrives while a request on the application's thread waits (here
// from a timer, an event it dispatches) gives the request up as Aborted; ending the program
// is left to the caller. Later requests with the same token fail at once.
TEST(HttpClient, TerminateRequestAbortsARequestWithoutEndingTheProgram) {
    ServedFile served(1000);
    // Answers after the stall: a request that misses the cancel ends with a success.
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("stall-before"),
                                       QStringLiteral("--stall"), QStringLiteral("30")});
    ASSERT_TRUE(server.start());
    TerminateRequest::reset();
    int ended = 0;
    TerminateRequest::setEndProgramHook([&] { ++ended; });
    HttpClient client;
    client.setDispatchInterval(std::chrono::milliseconds(20));
    client.setCancelToken(TerminateRequest::token());
    QTimer::singleShot(50, [] { TerminateRequest::request(); });
    QByteArray body;
    const HttpResult result = getInto(client, server.url(), body);
    const HttpResult later = client.head(server.url());
    TerminateRequest::setEndProgramHook({});
    TerminateRequest::reset();
    EXPECT_EQ(result.error, HttpError::Aborted);
    EXPECT_EQ(later.error, HttpError::Aborted);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(ended, 0);
}

// A worker's request blocked on a silent server ends when another thread cancels its token.
TEST(HttpClient, TokenCancelledFromAnotherThreadEndsABlockedGet) {
    ServedFile served(1000);
    // Answers after the stall: a request that misses the cancel ends with a success.
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("stall-before"),
                                       QStringLiteral("--stall"), QStringLiteral("30")});
    ASSERT_TRUE(server.start());
    const CancelToken token;
    HttpClient client;
    client.setCancelToken(token);
    QByteArray body;
    HttpResult result;
    std::thread worker([&] { result = getInto(client, server.url(), body); });
    while (server.requests().isEmpty())
        ;
    token.cancel();
    worker.join();
    EXPECT_EQ(result.error, HttpError::Aborted);
    EXPECT_TRUE(body.isEmpty());
}

// A request made on the application's thread keeps that thread's events flowing.
TEST(HttpClient, WaitOnTheApplicationThreadDispatchesEvents) {
    ServedFile served(1000);
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("head-delay"),
                                       QStringLiteral("--stall"), QStringLiteral("0.5")});
    ASSERT_TRUE(server.start());
    HttpClient client;
    client.setDispatchInterval(std::chrono::milliseconds(20));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    EXPECT_TRUE(client.head(server.url()).ok());
    EXPECT_GT(ticks, 0);
}

TEST(HttpClient, ProbeGivesUpAfterItsTimeOut) {
    ServedFile served(1000);
    FaultServer server(served.path(), {QStringLiteral("--fault"), QStringLiteral("head-delay")});
    ASSERT_TRUE(server.start());
    HttpClient client;
    EXPECT_EQ(client.probe(server.url(), std::chrono::milliseconds(200)).error, HttpError::TimedOut);
}

struct TlsCase {
    const char* name;
    const char* variable; // names the private authority, or nullptr for the system's store
    bool succeeds;
};

class HttpClientTls : public ::testing::TestWithParam<TlsCase> {};

// HTTPS verifies the server against the authority the environment names, never blindly.
TEST_P(HttpClientTls, VerifiesAgainstTheNamedAuthority) {
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    ServedFile served(5000);
    NginxServer nginx(
        {.root = served.folder.path(), .certFile = certificates.certFile(), .keyFile = certificates.keyFile()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    ScopedAuthority authority(GetParam().variable, certificates.caFile());

    HttpClient client;
    QByteArray body;
    const HttpResult result = getInto(client, nginx.url(QStringLiteral("file.bin")), body);
    EXPECT_EQ(result.error, GetParam().succeeds ? HttpError::None : HttpError::Certificate)
        << result.message.toStdString();
    EXPECT_EQ(body.size(), GetParam().succeeds ? served.bytes.size() : 0);
}

INSTANTIATE_TEST_SUITE_P(Authorities, HttpClientTls,
                         ::testing::Values(TlsCase{"SslCertFile", "SSL_CERT_FILE", true},
                                           TlsCase{"CurlCaBundle", "CURL_CA_BUNDLE", true},
                                           TlsCase{"SystemStoreOnly", nullptr, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HttpClient, RequestUrlTurnsBackslashesBeforeTheQuery) {
    const struct {
        const char* given;
        const char* sent;
    } cases[] = {
        {"http://h/a\\b\\c.kdz", "http://h/a/b/c.kdz"},
        {"http://h/a\\b?x\\y#z\\w", "http://h/a/b?x\\y#z\\w"},
        {"http://h/a\\b#z\\w?q\\r", "http://h/a/b#z\\w?q\\r"},
        {"http://h/base/\\updater.lst.kdz", "http://h/base//updater.lst.kdz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HttpClient::requestUrl(QString::fromUtf8(c.given)), QByteArray(c.sent)) << c.given;
}

// Redirects are followed by HEAD and ranged GET alike, within http or up to https, at most
// five in a row; one from https down to http is refused before anything is sent there.
TEST(HttpClient, FollowsRedirectsUpToHttpsNeverDownAndAtMostFive) {
    TestCertificates certificates;
    ASSERT_TRUE(certificates.make());
    ServedFile served(100000);
    NginxServer plain({.root = served.folder.path()});
    ASSERT_TRUE(plain.start()) << plain.errorText().toStdString();
    NginxServer secure(
        {.root = served.folder.path(),
         .certFile = certificates.certFile(),
         .keyFile = certificates.keyFile(),
         .locations =
             QStringLiteral("location = /down.bin { return 301 %1; }").arg(plain.url(QStringLiteral("file.bin")))});
    ASSERT_TRUE(secure.start()) << secure.errorText().toStdString();
    // hop1 to hop6 each send on to the next; hop6 to the file. hop2 is five redirects away.
    QString hops =
        QStringLiteral("location = /up.bin { return 302 %1; }\n").arg(secure.url(QStringLiteral("file.bin")));
    const char* const codes[] = {"301", "302", "303", "307", "308", "301"};
    for (int i = 1; i <= 6; ++i) {
        const QString next = i == 6 ? QStringLiteral("/file.bin") : QStringLiteral("/hop%1.bin").arg(i + 1);
        hops +=
            QStringLiteral("location = /hop%1.bin { return %2 %3; }\n").arg(i).arg(QLatin1String(codes[i - 1]), next);
    }
    NginxServer entry({.root = served.folder.path(), .locations = hops});
    ASSERT_TRUE(entry.start()) << entry.errorText().toStdString();
    ScopedAuthority authority("SSL_CERT_FILE", certificates.caFile());

    const struct {
        QString url;
        bool followed;
    } cases[] = {
        {entry.url(QStringLiteral("up.bin")), true},
        {entry.url(QStringLiteral("hop2.bin")), true},
        {entry.url(QStringLiteral("hop1.bin")), false},
        {secure.url(QStringLiteral("down.bin")), false},
    };
    for (const auto& c : cases) {
        HttpClient client;
        const HttpResult head = client.head(c.url);
        QByteArray body;
        HttpGetOptions options;
        options.headerLines = {"Range: bytes=10-99999"};
        const HttpResult get = getInto(client, c.url, body, options);
        if (c.followed) {
            EXPECT_TRUE(head.ok()) << c.url.toStdString() << head.message.toStdString();
            EXPECT_EQ(head.contentLength, 100000) << c.url.toStdString();
            EXPECT_EQ(get.status, 206) << c.url.toStdString() << get.message.toStdString();
            EXPECT_TRUE(body == served.bytes.mid(10)) << c.url.toStdString();
        } else {
            EXPECT_EQ(head.error, HttpError::Status) << c.url.toStdString() << head.message.toStdString();
            EXPECT_EQ(get.error, HttpError::Status) << c.url.toStdString() << get.message.toStdString();
            EXPECT_EQ(get.status / 100, 3) << c.url.toStdString();
            EXPECT_TRUE(body.isEmpty()) << c.url.toStdString();
        }
    }
    EXPECT_TRUE(plain.accessLog().isEmpty()) << plain.accessLog().join(u'\n').toStdString();
}

// The length request tells whether the server offers byte ranges.
TEST(HttpClient, HeadReportsWhetherRangesAreOffered) {
    ServedFile served(1000);
    NginxServer nginx({.root = served.folder.path()});
    ASSERT_TRUE(nginx.start()) << nginx.errorText().toStdString();
    HttpClient client;
    EXPECT_TRUE(client.head(nginx.url(QStringLiteral("file.bin"))).byteRanges);
    FaultServer noLength(served.path(), {QStringLiteral("--fault"), QStringLiteral("head-no-length")});
    ASSERT_TRUE(noLength.start());
    EXPECT_FALSE(client.head(noLength.url()).byteRanges);
}
