#include "download/TransferRate.h"

namespace kaldoria::download {

namespace {

// Notes closer together than this replace the newest sample rather than add one, which
// bounds the samples kept to the window over this step.
constexpr auto kSampleStep = std::chrono::milliseconds(100);

} // namespace

TransferRate::TransferRate(Clock::duration window, Clock::time_point start)
    : m_window(window), m_started(start), m_samples{{start, 0}} {}

void TransferRate::note(Clock::time_point now, qint64 bytes) {
    if (m_samples.size() >= 2 && now - m_samples[m_samples.size() - 2].at < kSampleStep)
        m_samples.back() = {now, bytes};
    else
        m_samples.push_back({now, bytes});
    while (m_samples.size() >= 2 && m_samples[1].at <= now - m_window)
        m_samples.pop_front();
}

TransferRate::Clock::duration TransferRate::span() const {
    return m_samples.back().at - m_samples.front().at;
}

double TransferRate::bytesPerSecond() const {
    const double seconds = std::chrono::duration<double>(span()).count();
    return seconds > 0 ? double(m_samples.back().bytes - m_samples.front().bytes) / seconds : 0;
}

} // namespace kaldoria::download
