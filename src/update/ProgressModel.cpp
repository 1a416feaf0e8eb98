#include "update/ProgressModel.h"

#include <cmath>

namespace kaldoria::update {

namespace {

std::array<ProgressControl, 2> controlsOf(ProgressModel::Pair pair) {
    if (pair == ProgressModel::Pair::OneFile)
        return {ProgressControl::OneFileBar, ProgressControl::OneFileGauge};
    return {ProgressControl::TotalBar, ProgressControl::TotalGauge};
}

int roundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

ProgressModel::ProgressModel(UpdateView& view) : m_view(view) {}

int ProgressModel::position(ProgressControl control) const {
    return m_state[static_cast<size_t>(control)].position;
}

int ProgressModel::maximum(ProgressControl control) const {
    return m_state[static_cast<size_t>(control)].maximum;
}

void ProgressModel::setMaximum(ProgressControl control, int maximum) {
    m_state[static_cast<size_t>(control)].maximum = maximum;
    m_view.setProgressMaximum(control, maximum);
}

void ProgressModel::setPosition(ProgressControl control, int position) {
    // A position below the minimum (0) is ignored, as the controls do.
    if (position < 0)
        return;
    m_state[static_cast<size_t>(control)].position = position;
    m_view.setProgressPosition(control, position);
}

void ProgressModel::setMaximum(Pair pair, int maximum) {
    for (ProgressControl control : controlsOf(pair))
        setMaximum(control, maximum);
}

void ProgressModel::setPosition(Pair pair, int position) {
    for (ProgressControl control : controlsOf(pair))
        setPosition(control, position);
}

void ProgressModel::toMaximum(Pair pair) {
    for (ProgressControl control : controlsOf(pair))
        setPosition(control, maximum(control));
}

void ProgressModel::step(Pair pair) {
    for (ProgressControl control : controlsOf(pair))
        setPosition(control, position(control) + 1);
}

void ProgressModel::scaleToWidth(Pair pair) {
    for (ProgressControl control : controlsOf(pair))
        setMaximum(control, m_view.progressWidth(control));
}

void ProgressModel::downloadProgress(qint64 loaded, qint64 size) {
    m_view.downloadProgress(loaded, size);
    setShare(Pair::OneFile, loaded, size);
}

void ProgressModel::setShare(Pair pair, qint64 done, qint64 count) {
    if (count <= 0)
        return;
    const double share = static_cast<double>(done) / static_cast<double>(count);
    for (ProgressControl control : controlsOf(pair))
        setPosition(control, roundHalfEven(share * maximum(control)));
}

int ProgressModel::percent(int done, int count) {
    if (count <= 0)
        return 100;
    return roundHalfEven(100.0 * done / count);
}

} // namespace kaldoria::update
