#pragma once

#include "DelayLine.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kaldoria::bench {

// One client connection and its connection to the upstream server, with the bytes in
// flight each way. Bytes from the client arrive half a round trip after they were read,
// and not before the handshake a real link would cost (one round trip after the accept);
// bytes from the server arrive half a round trip after they were read and then wait for
// the caller's rate budget. A side is not read while its bytes towards the other side
// exceed a bound, so memory stays bounded whatever the peers do.
class LinkConnection {
public:
    enum class Side { Client, Upstream };

    LinkConnection(int client, int upstream, std::int64_t opened, std::int64_t rtt);
    ~LinkConnection();
    LinkConnection(const LinkConnection&) = delete;
    LinkConnection& operator=(const LinkConnection&) = delete;

    int fd(Side side) const { return side == Side::Client ? m_up.from : m_down.from; }

    // One read from a side; false when the connection failed.
    bool readFrom(Side side, std::int64_t now);
    // The socket of a side can take bytes again.
    void writable(Side side) { towards(side).blocked = false; }

    // Passes on the client's bytes that have arrived; false when the connection failed.
    bool sendUpstream(std::int64_t now) { return send(m_up, now, SIZE_MAX).has_value(); }
    // Passes on at most `budget` of the server's bytes that have arrived; the count sent,
    // or nothing when the connection failed.
    std::optional<std::size_t> sendClient(std::int64_t now, std::size_t budget) { return send(m_down, now, budget); }

    // Server bytes that have arrived and wait for a budget (none while the client's socket is full).
    std::size_t clientBytesWaiting(std::int64_t now) const;
    // When something next arrives towards a side whose socket can take it.
    std::optional<std::int64_t> nextArrival(Side towardsSide) const;

    // The epoll events a side's socket is wanted for; 0 once it has nothing more to do.
    std::uint32_t wantedEvents(Side side) const;
    bool readEnded(Side side) const { return from(side).readEnded; }
    // True once a side was read to its end and everything towards it has been passed on.
    bool sideDone(Side side) const;
    bool finished() const { return m_up.shut && m_down.shut; }

    std::uint64_t bytesUp() const { return m_up.bytes; }
    std::uint64_t bytesDown() const { return m_down.bytes; }
    std::int64_t opened() const { return m_opened; }

private:
    struct Direction {
        int from = -1;
        int to = -1;
        DelayLine line;
        bool readEnded = false;
        bool blocked = false;
        bool shut = false;
        std::uint64_t bytes = 0;
    };

    Direction& from(Side side) { return side == Side::Client ? m_up : m_down; }
    Direction& towards(Side side) { return side == Side::Client ? m_down : m_up; }
    const Direction& from(Side side) const { return side == Side::Client ? m_up : m_down; }
    const Direction& towards(Side side) const { return side == Side::Client ? m_down : m_up; }
    std::int64_t arrival(const Direction& direction, std::int64_t now) const;
    std::optional<std::size_t> send(Direction& direction, std::int64_t now, std::size_t budget);

    Direction m_up;
    Direction m_down;
    std::int64_t m_opened;
    std::int64_t m_halfRtt;
    std::int64_t m_handshakeDone;
};

} // namespace kaldoria::bench
