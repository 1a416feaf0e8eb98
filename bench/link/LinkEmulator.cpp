#include "LinkEmulator.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace kaldoria::bench {

namespace {

// The bucket holds at most this much, so no burst towards the clients is bigger.
constexpr double kBurstBytes = 16 << 10;
// A connection's share in one turn of the rate sharing.
constexpr std::size_t kTurnBytes = 4u << 10;
// Waiting clients are served once this much budget has built up, which keeps wake-ups
// few (about 3,000 a second at 25 MB/s) without making bursts big.
constexpr std::size_t kWakeBytes = 8u << 10;
constexpr std::uint64_t kListenerKey = 0;
// The slow connection's burst: a tenth of a second of its rate, so that a trickle comes in
// small pieces rather than seconds apart.
constexpr double kSlowBurstSeconds = 0.1;

std::int64_t monotonicNow() {
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void setNoDelay(int socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

std::uint64_t keyOf(std::uint64_t id, LinkConnection::Side side) {
    return id << 1 | (side == LinkConnection::Side::Upstream ? 1 : 0);
}

constexpr LinkConnection::Side kSides[] = {LinkConnection::Side::Client, LinkConnection::Side::Upstream};

} // namespace

LinkEmulator::LinkEmulator(const LinkOptions& options)
    : m_options(options), m_bucket(options.bytesPerSecond, kBurstBytes, monotonicNow()) {}

LinkEmulator::~LinkEmulator() {
    m_connections.clear();
    if (m_count)
        std::fclose(m_count);
    if (m_listener >= 0)
        ::close(m_listener);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

std::optional<int> LinkEmulator::listen(std::string& error) {
    if (!m_options.countFile.empty()) {
        m_count = std::fopen(m_options.countFile.c_str(), "a");
        if (!m_count) {
            error = "cannot open " + m_options.countFile + ": " + std::strerror(errno);
            return std::nullopt;
        }
        std::setvbuf(m_count, nullptr, _IOLBF, 0);
    }
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    epoll_event event{EPOLLIN, {.u64 = kListenerKey}};
    if (m_epoll < 0 || m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr*>(&m_options.listen), sizeof m_options.listen) != 0 ||
        ::listen(m_listener, 512) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length) != 0 ||
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_listener, &event) != 0) {
        error = std::string("cannot listen: ") + std::strerror(errno);
        return std::nullopt;
    }
    return ntohs(bound.sin_port);
}

int LinkEmulator::run() {
    std::vector<epoll_event> events(64);
    for (;;) {
        std::int64_t now = monotonicNow();
        service(now);
        const std::optional<std::int64_t> wake = nextWake(now);
        timespec timeout{};
        if (wake) {
            const std::int64_t wait = std::max<std::int64_t>(0, *wake - now);
            timeout = {static_cast<time_t>(wait / 1000000000), static_cast<long>(wait % 1000000000)};
        }
        const int count =
            epoll_pwait2(m_epoll, events.data(), static_cast<int>(events.size()), wake ? &timeout : nullptr, nullptr);
        if (count < 0 && errno != EINTR) {
            std::perror("epoll_pwait2");
            return 1;
        }
        now = monotonicNow();
        for (int i = 0; i < count; ++i)
            handle(events[i], now);
    }
}

void LinkEmulator::accept(std::int64_t now) {
    for (;;) {
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0)
            return;
        const int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const std::uint64_t id = m_nextId++;
        Entry& entry = m_connections[id];
        entry.connection = std::make_unique<LinkConnection>(client, upstream, now, m_options.rttNs);
        if (id == m_options.slowConnection)
            entry.ownRate = std::make_unique<TokenBucket>(
                m_options.slowBytesPerSecond,
                std::clamp(m_options.slowBytesPerSecond * kSlowBurstSeconds, 1.0, kBurstBytes), now);
        setNoDelay(client);
        setNoDelay(upstream);
        if (upstream < 0 || (::connect(upstream, reinterpret_cast<const sockaddr*>(&m_options.upstream),
                                       sizeof m_options.upstream) != 0 &&
                             errno != EINPROGRESS)) {
            finish(id, true, now);
            continue;
        }
        for (const LinkConnection::Side side : kSides) {
            const int index = side == LinkConnection::Side::Client ? 0 : 1;
            entry.events[index] = entry.connection->wantedEvents(side);
            epoll_event event{entry.events[index], {.u64 = keyOf(id, side)}};
            epoll_ctl(m_epoll, EPOLL_CTL_ADD, entry.connection->fd(side), &event);
        }
    }
}

void LinkEmulator::handle(const epoll_event& event, std::int64_t now) {
    if (event.data.u64 == kListenerKey) {
        accept(now);
        return;
    }
    const std::uint64_t id = event.data.u64 >> 1;
    const auto side = (event.data.u64 & 1) ? LinkConnection::Side::Upstream : LinkConnection::Side::Client;
    const auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    LinkConnection& connection = *found->second.connection;
    if (event.events & EPOLLOUT)
        connection.writable(side);
    bool failed = (event.events & EPOLLERR) != 0;
    if (!failed && (event.events & (EPOLLIN | EPOLLHUP)))
        failed = !connection.readFrom(side, now);
    // A hang-up of a side read to its end while bytes or the end of stream are still due
    // towards it: the peer has gone both ways, so it reset the connection.
    if (!failed && (event.events & EPOLLHUP) && connection.readEnded(side) && !connection.sideDone(side))
        failed = true;
    if (failed)
        finish(id, true, now);
}

void LinkEmulator::service(std::int64_t now) {
    std::vector<std::uint64_t> failed;
    for (auto& [id, entry] : m_connections) {
        if (!entry.connection->sendUpstream(now))
            failed.push_back(id);
    }
    for (const std::uint64_t id : failed)
        finish(id, true, now);
    failed.clear();
    shareRate(now);
    serveOwnRates(now);
    std::vector<std::uint64_t> finished;
    for (auto& [id, entry] : m_connections) {
        // An end of stream passes on without budget.
        if (!entry.connection->sendClient(now, 0))
            failed.push_back(id);
        else if (entry.connection->finished())
            finished.push_back(id);
    }
    for (const std::uint64_t id : failed)
        finish(id, true, now);
    for (const std::uint64_t id : finished)
        finish(id, false, now);
    for (auto& [id, entry] : m_connections)
        updateInterest(id, entry);
}

void LinkEmulator::shareRate(std::int64_t now) {
    m_bucket.refill(now);
    std::vector<std::uint64_t> failed;
    bool progress = true;
    while (progress && m_bucket.available() > 0 && !m_connections.empty()) {
        progress = false;
        auto it = m_connections.lower_bound(m_turn);
        for (std::size_t visited = 0; visited < m_connections.size(); ++visited, ++it) {
            if (it == m_connections.end())
                it = m_connections.begin();
            const std::size_t budget = std::min(kTurnBytes, m_bucket.available());
            if (budget == 0)
                break;
            if (it->second.ownRate)
                continue;
            const std::optional<std::size_t> sent = it->second.connection->sendClient(now, budget);
            if (!sent) {
                if (std::find(failed.begin(), failed.end(), it->first) == failed.end())
                    failed.push_back(it->first);
            } else if (*sent > 0) {
                m_bucket.take(*sent);
                progress = true;
                m_turn = it->first + 1;
            }
        }
    }
    for (const std::uint64_t id : failed)
        finish(id, true, now);
}

void LinkEmulator::serveOwnRates(std::int64_t now) {
    std::vector<std::uint64_t> failed;
    for (auto& [id, entry] : m_connections) {
        if (!entry.ownRate)
            continue;
        entry.ownRate->refill(now);
        const std::optional<std::size_t> sent = entry.connection->sendClient(now, entry.ownRate->available());
        if (!sent)
            failed.push_back(id);
        else
            entry.ownRate->take(*sent);
    }
    for (const std::uint64_t id : failed)
        finish(id, true, now);
}

void LinkEmulator::updateInterest(std::uint64_t id, Entry& entry) {
    for (const LinkConnection::Side side : kSides) {
        const int index = side == LinkConnection::Side::Client ? 0 : 1;
        if (!entry.watched[index])
            continue;
        const int fd = entry.connection->fd(side);
        // A side read to its end with everything passed on to it would only report hang-ups.
        if (entry.connection->sideDone(side)) {
            epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
            entry.watched[index] = false;
            continue;
        }
        const std::uint32_t wanted = entry.connection->wantedEvents(side);
        if (wanted != entry.events[index]) {
            epoll_event event{wanted, {.u64 = keyOf(id, side)}};
            epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event);
            entry.events[index] = wanted;
        }
    }
}

std::optional<std::int64_t> LinkEmulator::nextWake(std::int64_t now) const {
    std::optional<std::int64_t> wake;
    const auto consider = [&wake](std::optional<std::int64_t> time) {
        if (time && (!wake || *time < *wake))
            wake = time;
    };
    for (const auto& [id, entry] : m_connections) {
        const LinkConnection& connection = *entry.connection;
        consider(connection.nextArrival(LinkConnection::Side::Upstream));
        std::optional<std::int64_t> down = connection.nextArrival(LinkConnection::Side::Client);
        const std::size_t waiting = connection.clientBytesWaiting(now);
        if (down && *down <= now && waiting > 0)
            down = entry.ownRate ? entry.ownRate->timeWhenAvailable(waiting)
                                 : m_bucket.timeWhenAvailable(std::min(kWakeBytes, waiting));
        consider(down);
    }
    return wake;
}

void LinkEmulator::finish(std::uint64_t id, bool reset, std::int64_t now) {
    const auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    const LinkConnection& connection = *found->second.connection;
    if (m_count)
        std::fprintf(m_count, "connection %llu up %llu down %llu seconds %.3f %s\n",
                     static_cast<unsigned long long>(id), static_cast<unsigned long long>(connection.bytesUp()),
                     static_cast<unsigned long long>(connection.bytesDown()),
                     static_cast<double>(now - connection.opened()) / 1e9, reset ? "reset" : "closed");
    m_connections.erase(found);
}

} // namespace kaldoria::bench
