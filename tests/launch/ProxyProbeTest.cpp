#include "launch/ProxyProbe.h"

#include <QElapsedTimer>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace kaldoria::launch;

namespace {

QString line(const char* name, const QString& address) {
    return QString::fromUtf8(name) + QStringLiteral("|") + address + QStringLiteral("|") + QString::fromUtf8(name) +
           QStringLiteral(".ini");
}

} // namespace

TEST(ProxyProbeTest, OnlyTheThirdOfThreeAccepts) {
    // Three loopback addresses on one port; only the third listens.
    QTcpServer third;
    ASSERT_TRUE(third.listen(QHostAddress(QStringLiteral("127.0.0.3")), 0));
    const int port = third.serverPort();
    const QStringList proxies = {line("one", QStringLiteral("127.0.0.1")), line("two", QStringLiteral("127.0.0.2")),
                                 line("three", QStringLiteral("127.0.0.3"))};
    ProxyProbe probe;
    EXPECT_EQ(probe.CheckProxyServers(proxies, port), proxies.at(2));
    EXPECT_EQ(probe.answeredIndex(), 2);
}

TEST(ProxyProbeTest, LinesThatCannotAnswerGiveNothing) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    // A host name is never looked up, and a line without a second "|" has no address.
    const QStringList proxies = {QStringLiteral("named|localhost|x.ini"), QStringLiteral("short|127.0.0.1")};
    ProxyProbe probe;
    probe.setClock(&TickCounter::systemTicks, 300);
    EXPECT_EQ(probe.CheckProxyServers(proxies, server.serverPort()), QString());
    EXPECT_EQ(probe.answeredIndex(), -1);
    EXPECT_EQ(probe.CheckProxyServers({}, server.serverPort()), QString());
}

TEST(ProxyProbeTest, WaitSurvivesTheTickCounterWrap) {
    // A counter 100 ms before its wrap: the wait still ends after its full length.
    QElapsedTimer clock;
    clock.start();
    quint32 lastReading = 0;
    const auto ticks = [&] {
        lastReading = 0xFFFFFFFFu - 100u + static_cast<quint32>(clock.elapsed());
        return lastReading;
    };
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const quint16 unusedPort = server.serverPort();
    server.close();
    ProxyProbe probe;
    probe.setClock(ticks, 400);
    EXPECT_EQ(probe.CheckProxyServers({line("gone", QStringLiteral("127.0.0.1"))}, unusedPort), QString());
    EXPECT_LT(lastReading, 0x80000000u) << "the counter wrapped during the wait";
    EXPECT_GE(TickCounter::elapsed(0xFFFFFFFFu - 100u, lastReading), 400u);
}
