#pragma once

#include "platform/CancelToken.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace kaldoria::update {

// Chooses the update server: every configured server gets one HEAD request for the packed
// list, servers that fail are dropped from the list, and the result is the fastest answer,
// a random survivor, or the first configured address, as configured. The other servers
// stand behind the chosen one for the case that its list cannot be had.
class TServerSelector {
public:
    // A probe that has not answered by then counts as failed. A slower answer still counts:
    // a slow server is better than none.
    static constexpr std::chrono::milliseconds kProbeTimeout{10000};

    struct Options {
        bool usePing = false;
        bool randomSelect = false;
        // Writes a line to the debug log.
        std::function<void(const QString&)> log;
        // Cancelled once the launcher is closing: the probe in progress is given up and no
        // further server is probed.
        platform::CancelToken cancel;
        std::chrono::milliseconds probeTimeout = kProbeTimeout;
    };

    // The chosen base address exactly as configured, or an empty string (also when
    // cancelled). Failed servers are removed from `servers`.
    static QString CheckUpdateServers(QStringList& servers, const Options& options);

    // The servers to ask for the list, in turn: the chosen one, then the servers that
    // answered the probe, then those that did not (a server may refuse HEAD and still serve
    // its files), each once, in configuration order, empty entries left out.
    static QStringList tryOrder(const QString& chosen, const QStringList& answered, const QStringList& configured);
};

} // namespace kaldoria::update
