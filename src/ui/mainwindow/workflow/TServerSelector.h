#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace kaldoria::workflow {

// Chooses the update server: every configured server gets one HEAD request for the packed
// list, servers that fail are dropped from the list, and the result is the fastest answer
// below 1000 ms, a random survivor, or the first configured address, as configured.
class TServerSelector {
public:
    // A probe that has not answered by then counts as failed. Far above the 1000 ms that a
    // server must beat to be chosen by speed, so it never cuts a server that would win.
    static constexpr std::chrono::milliseconds kProbeTimeout{10000};
    static constexpr qint64 kBestTimeLimitMs = 1000;

    struct Options {
        bool usePing = false;
        bool randomSelect = false;
        // Writes a line to the debug log.
        std::function<void(const QString&)> log;
        // True once the launcher is closing: no further server is probed.
        std::function<bool()> stopRequested;
        std::chrono::milliseconds probeTimeout = kProbeTimeout;
    };

    // The chosen base address exactly as configured, or an empty string. Failed servers
    // are removed from `servers`.
    static QString CheckUpdateServers(QStringList& servers, const Options& options);
};

} // namespace kaldoria::workflow
