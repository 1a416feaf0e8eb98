#pragma once

#include "download/DownloadFailure.h"

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <vector>

namespace kaldoria::download {

// What one server delivered to an engine so far.
struct ServerTally {
    qint64 bytes = 0;
    // Bytes per second over the time the server had at least one transfer running.
    double bytesPerSecond = 0;
    bool dropped = false;
};

// The servers an engine draws on, by number: server 0 is the one of each job's `url`, server
// k+1 the one of its `mirrors[k]`. Keeps how busy each is and how fast it delivers, picks the
// server for the next range, and drops a server that fails for the rest of the engine's life.
class ServerPool {
public:
    using Clock = std::chrono::steady_clock;

    // Transfer errors in a row, without a range finished in between, that drop a server.
    static constexpr int kFailuresToDrop = 3;

    // The pool knows at least `count` servers.
    void reserve(int count);
    int count() const { return int(m_servers.size()); }

    // The server that takes the next range of a file held by the first `servers` servers: a
    // live one that `usable` accepts and that has room, the fastest so far (a server not yet
    // measured counts as fast as the best), then the least busy. -1 when none has room.
    int choose(int servers, const std::function<bool(int server)>& usable,
               const std::function<bool(int server, int running)>& hasRoom, Clock::time_point now) const;

    bool live(int server) const { return !m_servers[size_t(server)].dropped; }
    int running(int server) const { return m_servers[size_t(server)].running; }

    void started(int server, Clock::time_point now);
    void ended(int server, qint64 bytes, Clock::time_point now);
    // A range finished on the server: its run of transfer errors is over.
    void succeeded(int server) { m_servers[size_t(server)].failuresInRow = 0; }
    // A transfer failed on the server by the server's fault. A refused connect, an untrusted
    // certificate or an error status of the server's own (5xx) drops it at once, broken
    // transfers once they come kFailuresToDrop times in a row. True when this failure dropped it.
    bool failed(int server, const DownloadFailure& failure);

    std::vector<ServerTally> tallies(Clock::time_point now) const;

private:
    struct Server {
        int running = 0;
        qint64 bytes = 0;
        Clock::duration busy{};
        Clock::time_point busySince;
        int failuresInRow = 0;
        bool dropped = false;
    };

    double rate(const Server& server, Clock::time_point now) const;

    std::vector<Server> m_servers;
};

} // namespace kaldoria::download
