#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace kaldoria::download {

// One budget of bytes per second shared by every transfer of an engine (a token bucket).
// A transfer takes its bytes as they arrive; when the budget is spent it waits until the
// budget has refilled. The bytes are handed over whole, so a chunk may overdraw the budget;
// the overdraft is paid back before the next chunk, which keeps the total exact over time
// whatever the number of transfers. Time is handed in, so that the arithmetic can be tested.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    // `bytesPerSecond` 0: no limit.
    explicit RateLimiter(qint64 bytesPerSecond);

    bool limits() const { return m_rate > 0; }

    // Takes `bytes` from the budget and returns true, or false without taking any when the
    // budget is spent. Always true without a limit.
    bool take(qint64 bytes, Clock::time_point now);
    // How long until the budget allows the next chunk; zero when it does now.
    std::chrono::milliseconds untilReady(Clock::time_point now);

private:
    void refill(Clock::time_point now);

    qint64 m_rate;
    // What an idle spell may save up: a fifth of a second's bytes. Enough to cover a late
    // wake-up of the engine's loop without losing rate, small enough not to show as a burst.
    double m_burst;
    double m_budget = 0;
    std::optional<Clock::time_point> m_last;
};

} // namespace kaldoria::download
