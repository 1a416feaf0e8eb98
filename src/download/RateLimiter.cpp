#include "download/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace kaldoria::download {

RateLimiter::RateLimiter(qint64 bytesPerSecond)
    : m_rate(std::max<qint64>(0, bytesPerSecond)), m_burst(double(m_rate) / 5) {}

bool RateLimiter::take(qint64 bytes, Clock::time_point now) {
    if (!limits())
        return true;
    refill(now);
    if (m_budget < 0)
        return false;
    m_budget -= double(bytes);
    return true;
}

std::chrono::milliseconds RateLimiter::untilReady(Clock::time_point now) {
    if (!limits())
        return std::chrono::milliseconds(0);
    refill(now);
    if (m_budget >= 0)
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(qint64(std::ceil(-m_budget * 1000 / double(m_rate))));
}

void RateLimiter::refill(Clock::time_point now) {
    if (m_last && now > *m_last) {
        const double seconds = std::chrono::duration<double>(now - *m_last).count();
        m_budget = std::min(m_burst, m_budget + seconds * double(m_rate));
    }
    if (!m_last || now > *m_last)
        m_last = now;
}

} // namespace kaldoria::download
