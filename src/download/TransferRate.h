#pragma once

#include <QtGlobal>

#include <chrono>
#include <deque>

namespace kaldoria::download {

// How fast one transfer receives lately: its byte count noted over time, so that its rate over
// a sliding window can be told apart from its average since it started.
class TransferRate {
public:
    using Clock = std::chrono::steady_clock;

    // `start`: when the transfer's first byte arrived.
    TransferRate(Clock::duration window, Clock::time_point start);

    Clock::time_point started() const { return m_started; }
    // Notes that `bytes` had arrived by `now` (times never go back).
    void note(Clock::time_point now, qint64 bytes);
    // The time the rate is measured over: the window, less while the transfer is younger.
    Clock::duration span() const;
    // Bytes per second over the span; 0 while the span is empty.
    double bytesPerSecond() const;

private:
    struct Sample {
        Clock::time_point at;
        qint64 bytes;
    };

    Clock::duration m_window;
    Clock::time_point m_started;
    // The oldest is the last one at or before the window's start, the newest the latest note.
    std::deque<Sample> m_samples;
};

} // namespace kaldoria::download
