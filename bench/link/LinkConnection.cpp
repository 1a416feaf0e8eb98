#include "LinkConnection.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace kaldoria::bench {

namespace {

// Bytes held towards one side before the other side is no longer read.
constexpr std::size_t kHeldLimit = 4u << 20;
constexpr std::size_t kReadSize = 64u << 10;

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace

LinkConnection::LinkConnection(int client, int upstream, std::int64_t opened, std::int64_t rtt)
    : m_opened(opened), m_halfRtt(rtt / 2), m_handshakeDone(opened + rtt) {
    m_up.from = m_down.to = client;
    m_up.to = m_down.from = upstream;
}

LinkConnection::~LinkConnection() {
    ::close(m_up.from);
    ::close(m_up.to);
}

std::int64_t LinkConnection::arrival(const Direction& direction, std::int64_t now) const {
    const std::int64_t sent = &direction == &m_up ? std::max(now, m_handshakeDone) : now;
    return sent + m_halfRtt;
}

bool LinkConnection::readFrom(Side side, std::int64_t now) {
    Direction& direction = from(side);
    if (direction.readEnded)
        return true;
    std::array<char, kReadSize> buffer;
    const ssize_t count = ::recv(direction.from, buffer.data(), buffer.size(), 0);
    if (count > 0) {
        direction.line.push(arrival(direction, now), std::span<const char>(buffer.data(), count));
        return true;
    }
    if (count == 0) {
        direction.readEnded = true;
        direction.line.pushEnd(arrival(direction, now));
        return true;
    }
    return wouldBlock();
}

std::optional<std::size_t> LinkConnection::send(Direction& direction, std::int64_t now, std::size_t budget) {
    std::size_t sent = 0;
    while (sent < budget && !direction.blocked) {
        const std::span<const char> ready = direction.line.arrived(now);
        if (ready.empty())
            break;
        const ssize_t count =
            ::send(direction.to, ready.data(), std::min(ready.size(), budget - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0) {
            if (!wouldBlock())
                return std::nullopt;
            direction.blocked = true;
            break;
        }
        direction.line.consume(static_cast<std::size_t>(count));
        direction.bytes += static_cast<std::uint64_t>(count);
        sent += static_cast<std::size_t>(count);
    }
    if (!direction.shut && direction.line.endArrived(now)) {
        ::shutdown(direction.to, SHUT_WR);
        direction.shut = true;
    }
    return sent;
}

std::size_t LinkConnection::clientBytesWaiting(std::int64_t now) const {
    return m_down.blocked ? 0 : m_down.line.arrived(now).size();
}

std::optional<std::int64_t> LinkConnection::nextArrival(Side towardsSide) const {
    const Direction& direction = towards(towardsSide);
    if (direction.blocked || direction.shut)
        return std::nullopt;
    return direction.line.nextArrival();
}

std::uint32_t LinkConnection::wantedEvents(Side side) const {
    const Direction& reading = from(side);
    std::uint32_t events = 0;
    if (!reading.readEnded && reading.line.heldBytes() < kHeldLimit)
        events |= EPOLLIN;
    if (towards(side).blocked)
        events |= EPOLLOUT;
    return events;
}

bool LinkConnection::sideDone(Side side) const {
    return from(side).readEnded && towards(side).shut;
}

} // namespace kaldoria::bench
