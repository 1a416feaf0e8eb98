#pragma once

#include <cstddef>
#include <cstdint>

namespace kaldoria::bench {

// The shared downstream rate: tokens (bytes) flow in at a fixed rate up to a small
// capacity, so the link never sends a burst bigger than the capacity.
class TokenBucket {
public:
    TokenBucket(double bytesPerSecond, double capacity, std::int64_t now);

    void refill(std::int64_t now);
    std::size_t available() const { return static_cast<std::size_t>(m_tokens); }
    void take(std::size_t bytes) { m_tokens -= static_cast<double>(bytes); }

    // When `bytes` tokens (at most the capacity) will be there, as of the last refill.
    std::int64_t timeWhenAvailable(std::size_t bytes) const;

private:
    double m_bytesPerNs;
    double m_capacity;
    double m_tokens;
    std::int64_t m_last;
};

} // namespace kaldoria::bench
