#include "download/RateLimiter.h"

#include <gtest/gtest.h>

namespace kaldoria::download {

namespace {

using std::chrono::milliseconds;
constexpr qint64 kChunk = 16 * 1024;

// Offers chunks whenever the limiter is ready, for `span` of simulated time in 1 ms steps;
// the bytes it took.
qint64 drain(RateLimiter& limiter, RateLimiter::Clock::time_point& now, milliseconds span) {
    qint64 taken = 0;
    for (const auto end = now + span; now < end; now += milliseconds(1)) {
        while (limiter.take(kChunk, now))
            taken += kChunk;
    }
    return taken;
}

} // namespace

// Eager takers get the rate in every second, give or take the one chunk that overdraws the
// budget; the budget starts empty, so there is no burst at the start.
TEST(RateLimiter, EagerTakersGetTheRateInEverySecond) {
    constexpr qint64 kRate = 1024 * 1024;
    RateLimiter limiter(kRate);
    auto now = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
    for (int second = 0; second < 5; ++second) {
        const qint64 taken = drain(limiter, now, milliseconds(1000));
        EXPECT_GE(taken, kRate - kChunk) << second;
        EXPECT_LE(taken, kRate + kChunk) << second;
    }
}

// An idle spell saves up a fifth of a second's bytes, no more.
TEST(RateLimiter, IdleTimeSavesAFifthOfASecond) {
    constexpr qint64 kRate = 1024 * 1024;
    RateLimiter limiter(kRate);
    auto now = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
    drain(limiter, now, milliseconds(500));
    now += std::chrono::seconds(30);
    const qint64 taken = drain(limiter, now, milliseconds(1000));
    EXPECT_GE(taken, kRate + kRate / 5 - kChunk);
    EXPECT_LE(taken, kRate + kRate / 5 + kChunk);
}

// A chunk that overdraws the budget is paid back before the next one: the wait is the
// overdraft at the rate.
TEST(RateLimiter, WaitPaysBackTheOverdraft) {
    RateLimiter limiter(1000);
    const auto start = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
    EXPECT_EQ(limiter.untilReady(start), milliseconds(0));
    EXPECT_TRUE(limiter.take(2500, start));
    EXPECT_FALSE(limiter.take(1, start));
    EXPECT_EQ(limiter.untilReady(start), milliseconds(2500));
    EXPECT_EQ(limiter.untilReady(start + milliseconds(1000)), milliseconds(1500));
    EXPECT_FALSE(limiter.take(1, start + milliseconds(2499)));
    EXPECT_EQ(limiter.untilReady(start + milliseconds(2500)), milliseconds(0));
    EXPECT_TRUE(limiter.take(1, start + milliseconds(2500)));
}

TEST(RateLimiter, NoRateNeverWaits) {
    RateLimiter limiter(0);
    const auto now = RateLimiter::Clock::now();
    EXPECT_FALSE(limiter.limits());
    EXPECT_TRUE(limiter.take(qint64(1) << 40, now));
    EXPECT_TRUE(limiter.take(qint64(1) << 40, now));
    EXPECT_EQ(limiter.untilReady(now), milliseconds(0));
}

} // namespace kaldoria::download
