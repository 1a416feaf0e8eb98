#pragma once

#include "launch/TickCounter.h"

#include "platform/CancelToken.h"

#include <QObject>
#include <QStringList>

namespace kaldoria::launch {

// Finds a game proxy that accepts TCP connections: every line's address is connected to
// at once on one port; the first to connect within the wait is the answer. No data is sent.
class ProxyProbe : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 kWaitMs = 5000;

    explicit ProxyProbe(QObject* parent = nullptr);

    // Replaces the tick counter and the wait (for tests of the counter's wrap-around).
    void setClock(TickCounter::Source ticks, quint32 waitMs);
    // Ends a running wait early, with no answer, once cancelled (the launcher is closing).
    void setCancelToken(platform::CancelToken cancel);

    // The line of `list` whose proxy accepted a connection on `port`, unchanged, or an
    // empty string. A line is "name|address|settings file"; the address must be numeric
    // (no name is looked up). When several connect, the one reported last wins.
    QString CheckProxyServers(const QStringList& list, int port);

    // 0-based position in the last probed list of the proxy that connected; -1 for none.
    int answeredIndex() const { return m_proxyIdx; }

    // The address field of a proxy line: the text between its first and second "|",
    // trimmed; empty when the line has no second "|".
    static QString addressOf(const QString& line);

private:
    TickCounter::Source m_ticks;
    quint32 m_waitMs = kWaitMs;
    platform::CancelToken m_cancel;
    int m_proxyIdx = -1;
};

} // namespace kaldoria::launch
