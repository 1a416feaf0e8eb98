#include "DelayLine.h"

namespace kaldoria::bench {

void DelayLine::push(std::int64_t arrival, std::span<const char> bytes) {
    m_chunks.push_back({arrival, std::vector<char>(bytes.begin(), bytes.end()), 0});
    m_held += bytes.size();
}

void DelayLine::pushEnd(std::int64_t arrival) {
    m_end = arrival;
}

std::span<const char> DelayLine::arrived(std::int64_t now) const {
    if (m_chunks.empty() || m_chunks.front().arrival > now)
        return {};
    const Chunk& front = m_chunks.front();
    return std::span<const char>(front.bytes).subspan(front.sent);
}

void DelayLine::consume(std::size_t count) {
    Chunk& front = m_chunks.front();
    front.sent += count;
    m_held -= count;
    if (front.sent == front.bytes.size())
        m_chunks.pop_front();
}

std::optional<std::int64_t> DelayLine::nextArrival() const {
    if (!m_chunks.empty())
        return m_chunks.front().arrival;
    return m_end;
}

} // namespace kaldoria::bench
