#include "TokenBucket.h"

#include <algorithm>
#include <cmath>

namespace kaldoria::bench {

TokenBucket::TokenBucket(double bytesPerSecond, double capacity, std::int64_t now)
    : m_bytesPerNs(bytesPerSecond / 1e9), m_capacity(capacity), m_tokens(capacity), m_last(now) {}

void TokenBucket::refill(std::int64_t now) {
    m_tokens = std::min(m_capacity, m_tokens + static_cast<double>(now - m_last) * m_bytesPerNs);
    m_last = now;
}

std::int64_t TokenBucket::timeWhenAvailable(std::size_t bytes) const {
    const double wanted = std::min(m_capacity, static_cast<double>(bytes));
    if (m_tokens >= wanted)
        return m_last;
    return m_last + static_cast<std::int64_t>(std::ceil((wanted - m_tokens) / m_bytesPerNs));
}

} // namespace kaldoria::bench
