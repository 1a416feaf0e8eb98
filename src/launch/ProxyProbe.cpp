#include "launch/ProxyProbe.h"

#include "platform/EventLoopWait.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <vector>

namespace kaldoria::launch {

namespace {
constexpr int kPollMs = 10;
} // namespace

ProxyProbe::ProxyProbe(QObject* parent) : QObject(parent), m_ticks(&TickCounter::systemTicks) {}

void ProxyProbe::setClock(TickCounter::Source ticks, quint32 waitMs) {
    m_ticks = std::move(ticks);
    m_waitMs = waitMs;
}

void ProxyProbe::setCancelToken(platform::CancelToken cancel) {
    m_cancel = std::move(cancel);
}

QString ProxyProbe::addressOf(const QString& line) {
    const qsizetype first = line.indexOf(QLatin1Char('|'));
    if (first < 0)
        return QString();
    const QString rest = line.mid(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char('|'));
    if (second < 0)
        return QString();
    return rest.left(second).trimmed();
}

QString ProxyProbe::CheckProxyServers(const QStringList& list, int port) {
    if (list.isEmpty())
        return QString();
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    std::vector<QHostAddress> addresses;
    for (qsizetype i = 0; i < list.size(); ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        const int tag = static_cast<int>(i);
        QTcpSocket* raw = socket.get();
        connect(raw, &QTcpSocket::connected, this, [this, raw, tag] {
            m_proxyIdx = tag;
            raw->abort();
        });
        QHostAddress address;
        if (!address.setAddress(addressOf(list.at(i))))
            address.clear();
        addresses.push_back(address);
        sockets.push_back(std::move(socket));
    }
    m_proxyIdx = -1;
    const quint32 start = m_ticks();
    for (size_t i = 0; i < sockets.size(); ++i) {
        // An address that is not numeric never connects; no name lookup is made.
        if (!addresses[i].isNull())
            sockets[i]->connectToHost(addresses[i], static_cast<quint16>(port));
    }
    // The tick counter is read again at every event; the poll timer makes sure there is one.
    QTimer poll;
    poll.start(kPollMs);
    const platform::WaitOutcome waited = platform::waitWhileDispatching(
        [&] { return m_proxyIdx >= 0 || TickCounter::elapsed(start, m_ticks()) >= m_waitMs; }, m_cancel);
    sockets.clear();
    if (waited == platform::WaitOutcome::Done && m_proxyIdx >= 0)
        return list.at(m_proxyIdx);
    return QString();
}

} // namespace kaldoria::launch
