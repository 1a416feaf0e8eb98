#include "update/source/TServerSelector.h"

#include "FaultServer.h"
#include "NginxServer.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;
using update::TServerSelector;

TEST(TServerSelectorTest, ServerThatNeverAnswersIsDroppedAfterTheProbeTimeOut) {
    // Connections to this port are accepted by the system but never answered.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QTemporaryDir root;
    QFile list(root.filePath(QStringLiteral("updater.lst.kdz")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.close();
    testsupport::NginxOptions options;
    options.root = root.path();
    testsupport::NginxServer server(options);
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();

    const QString silentUrl = QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort());
    QStringList servers = {silentUrl, server.url()};
    TServerSelector::Options selection;
    selection.usePing = true;
    selection.probeTimeout = std::chrono::milliseconds(500);
    EXPECT_EQ(TServerSelector::CheckUpdateServers(servers, selection), server.url());
    EXPECT_EQ(servers, QStringList{server.url()});
}

TEST(TServerSelectorTest, OneServerIsTakenWithoutAProbe) {
    QStringList servers = {QStringLiteral("http://127.0.0.1:1/")};
    EXPECT_EQ(TServerSelector::CheckUpdateServers(servers, {}), QStringLiteral("http://127.0.0.1:1/"));
    QStringList none;
    EXPECT_EQ(TServerSelector::CheckUpdateServers(none, {}), QString());
}

TEST(TServerSelectorTest, WithoutPingOrRandomTheFirstAddressStaysEvenWhenDown) {
    QTcpServer gone;
    gone.listen(QHostAddress::LocalHost, 0);
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(gone.serverPort());
    gone.close();
    QTemporaryDir root;
    testsupport::NginxOptions options;
    options.root = root.path();
    QFile list(root.filePath(QStringLiteral("updater.lst.kdz")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.close();
    testsupport::NginxServer server(options);
    ASSERT_TRUE(server.start());
    QStringList servers = {down, server.url()};
    EXPECT_EQ(TServerSelector::CheckUpdateServers(servers, {}), down);
    EXPECT_EQ(servers, QStringList{server.url()});
}

TEST(TServerSelectorTest, BySpeedASlowAnswerStillCounts) {
    QTemporaryDir root;
    const QString file = root.filePath(QStringLiteral("updater.lst.kdz"));
    QFile list(file);
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.close();
    testsupport::FaultServer slow(file, {QStringLiteral("--fault"), QStringLiteral("head-delay"),
                                         QStringLiteral("--stall"), QStringLiteral("1.2")});
    ASSERT_TRUE(slow.start());
    QTcpServer gone;
    gone.listen(QHostAddress::LocalHost, 0);
    const QString down = QStringLiteral("http://127.0.0.1:%1/").arg(gone.serverPort());
    gone.close();
    const QString slowUrl = QStringLiteral("http://127.0.0.1:%1/").arg(slow.port());
    QStringList servers = {down, slowUrl};
    TServerSelector::Options selection;
    selection.usePing = true;
    EXPECT_EQ(TServerSelector::CheckUpdateServers(servers, selection), slowUrl);
}

TEST(TServerSelectorTest, TryOrderIsTheChosenThenTheAnsweringThenTheRest) {
    const QString a = QStringLiteral("http://a/"), b = QStringLiteral("http://b/"), c = QStringLiteral("http://c/");
    struct Case {
        QString chosen;
        QStringList answered;
        QStringList configured;
        QStringList expected;
    };
    const Case cases[] = {
        {b, {b, c}, {a, b, c}, {b, c, a}},
        {a, {c}, {a, b, c}, {a, c, b}},
        {a, {}, {a, b}, {a, b}},
        {QString(), {}, {QString(), b}, {b}},
        {QStringLiteral(" "), {QStringLiteral(" "), c}, {QStringLiteral(" "), c}, {c}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(TServerSelector::tryOrder(test.chosen, test.answered, test.configured), test.expected)
            << test.expected.join(QLatin1Char(' ')).toStdString();
}
