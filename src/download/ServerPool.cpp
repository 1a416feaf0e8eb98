#include "download/ServerPool.h"

#include <algorithm>

namespace kaldoria::download {

void ServerPool::reserve(int count) {
    if (count > int(m_servers.size()))
        m_servers.resize(size_t(count));
}

int ServerPool::choose(int servers, const std::function<bool(int server)>& usable,
                       const std::function<bool(int server, int running)>& hasRoom, Clock::time_point now) const {
    double best = 0;
    for (const Server& server : m_servers)
        best = std::max(best, rate(server, now));
    int chosen = -1;
    double chosenRate = 0;
    for (int i = 0; i < std::min(servers, count()); ++i) {
        const Server& server = m_servers[size_t(i)];
        if (server.dropped || !usable(i) || !hasRoom(i, server.running))
            continue;
        const double measured = server.bytes > 0 ? rate(server, now) : best;
        if (chosen < 0 || measured > chosenRate ||
            (measured == chosenRate && server.running < m_servers[size_t(chosen)].running)) {
            chosen = i;
            chosenRate = measured;
        }
    }
    return chosen;
}

void ServerPool::started(int server, Clock::time_point now) {
    Server& s = m_servers[size_t(server)];
    if (s.running++ == 0)
        s.busySince = now;
}

void ServerPool::ended(int server, qint64 bytes, Clock::time_point now) {
    Server& s = m_servers[size_t(server)];
    s.bytes += bytes;
    if (--s.running == 0)
        s.busy += now - s.busySince;
}

bool ServerPool::failed(int server, const DownloadFailure& failure) {
    Server& s = m_servers[size_t(server)];
    if (s.dropped)
        return false;
    const bool serverAtFault = failure.kind == DownloadFailure::Kind::Connect ||
                               failure.kind == DownloadFailure::Kind::Certificate ||
                               (failure.kind == DownloadFailure::Kind::HttpStatus && failure.httpStatus >= 500);
    s.dropped = serverAtFault || ++s.failuresInRow >= kFailuresToDrop;
    return s.dropped;
}

std::vector<ServerTally> ServerPool::tallies(Clock::time_point now) const {
    std::vector<ServerTally> tallies;
    for (const Server& server : m_servers)
        tallies.push_back({.bytes = server.bytes, .bytesPerSecond = rate(server, now), .dropped = server.dropped});
    return tallies;
}

double ServerPool::rate(const Server& server, Clock::time_point now) const {
    const Clock::duration busy = server.busy + (server.running > 0 ? now - server.busySince : Clock::duration{});
    const double seconds = std::chrono::duration<double>(busy).count();
    return seconds > 0 ? double(server.bytes) / seconds : 0;
}

} // namespace kaldoria::download
