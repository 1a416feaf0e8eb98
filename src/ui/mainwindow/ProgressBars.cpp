#include "ui/mainwindow/ProgressBars.h"

#include <cmath>

namespace kaldoria::mainwindow {

ProgressBars::ProgressBars(Controls controls) : m_controls(std::move(controls)) {}

void ProgressBars::showStep(int done, int count) {
    for (const ProgressControl control : {ProgressControl::OneFileBar, ProgressControl::OneFileGauge})
        set(control, count, done);
}

void ProgressBars::showFile(qint64 received, qint64 length) {
    showShare(ProgressControl::OneFileBar, ProgressControl::OneFileGauge, received, length);
}

void ProgressBars::showTotal(qint64 done, qint64 count) {
    showShare(ProgressControl::TotalBar, ProgressControl::TotalGauge, done, count);
}

void ProgressBars::showShare(ProgressControl bar, ProgressControl gauge, qint64 done, qint64 count) {
    for (const ProgressControl control : {bar, gauge}) {
        const int width = m_controls.width(control);
        const double share = count > 0 ? double(qBound<qint64>(0, done, count)) / double(count) : 0.0;
        set(control, width, static_cast<int>(std::nearbyint(share * width)));
    }
}

void ProgressBars::set(ProgressControl control, int maximum, int position) {
    State& state = m_state[size_t(control)];
    if (state.maximum != maximum) {
        state.maximum = maximum;
        m_controls.setMaximum(control, maximum);
    }
    if (state.position != position) {
        state.position = position;
        m_controls.setPosition(control, position);
    }
}

} // namespace kaldoria::mainwindow
