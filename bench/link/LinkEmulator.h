#pragma once

#include "LinkConnection.h"
#include "LinkOptions.h"
#include "TokenBucket.h"

#include <sys/epoll.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace kaldoria::bench {

// A TCP proxy that behaves like a slow link: every accepted connection is forwarded to the
// upstream server through a LinkConnection, and the bytes towards all clients share one
// token bucket, handed out in turns so that connections get about equal shares. The one slow
// connection, when asked for, has a bucket of its own instead.
class LinkEmulator {
public:
    explicit LinkEmulator(const LinkOptions& options);
    ~LinkEmulator();
    LinkEmulator(const LinkEmulator&) = delete;
    LinkEmulator& operator=(const LinkEmulator&) = delete;

    // Binds and listens; the port, or nothing with a message in `error`.
    std::optional<int> listen(std::string& error);
    // Forwards until the process is ended; returns only on a failure of the event loop.
    int run();

private:
    struct Entry {
        std::unique_ptr<LinkConnection> connection;
        std::unique_ptr<TokenBucket> ownRate; // the slow connection's; null for the others
        std::uint32_t events[2] = {0, 0};
        bool watched[2] = {true, true};
    };

    void accept(std::int64_t now);
    void handle(const epoll_event& event, std::int64_t now);
    void service(std::int64_t now);
    void shareRate(std::int64_t now);
    void serveOwnRates(std::int64_t now);
    void updateInterest(std::uint64_t id, Entry& entry);
    std::optional<std::int64_t> nextWake(std::int64_t now) const;
    void finish(std::uint64_t id, bool reset, std::int64_t now);

    LinkOptions m_options;
    TokenBucket m_bucket;
    int m_epoll = -1;
    int m_listener = -1;
    std::FILE* m_count = nullptr;
    std::map<std::uint64_t, Entry> m_connections;
    std::map<std::uint64_t, bool> m_failed;
    std::uint64_t m_nextId = 1;
    std::uint64_t m_turn = 1;
};

} // namespace kaldoria::bench
