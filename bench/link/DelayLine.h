#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace kaldoria::bench {

// The bytes of one direction of a connection while they travel: each chunk read from the
// sender waits here until its arrival time, and the sender's end of stream travels behind
// its last chunk. Arrival times never decrease, so only the front chunk needs looking at.
class DelayLine {
public:
    void push(std::int64_t arrival, std::span<const char> bytes);
    void pushEnd(std::int64_t arrival);

    // Bytes held, sent or not yet due.
    std::size_t heldBytes() const { return m_held; }
    bool endPushed() const { return m_end.has_value(); }

    // The front chunk's unsent bytes once it has arrived at `now`, else nothing.
    std::span<const char> arrived(std::int64_t now) const;
    void consume(std::size_t count);

    // True once every chunk is gone and the end of stream has arrived.
    bool endArrived(std::int64_t now) const { return m_chunks.empty() && m_end && *m_end <= now; }

    // When the next chunk or the end of stream arrives, if anything is still held.
    std::optional<std::int64_t> nextArrival() const;

private:
    struct Chunk {
        std::int64_t arrival = 0;
        std::vector<char> bytes;
        std::size_t sent = 0;
    };

    std::deque<Chunk> m_chunks;
    std::optional<std::int64_t> m_end;
    std::size_t m_held = 0;
};

} // namespace kaldoria::bench
