#pragma once

#include <QtGlobal>

#include <array>
#include <functional>

namespace kaldoria::mainwindow {

// The four progress controls of the main window: a bar and a gauge for the current file,
// a bar and a gauge for the whole update.
enum class ProgressControl { OneFileBar, OneFileGauge, TotalBar, TotalGauge };

// Draws the update's progress on the window's controls. A step counts whole steps (the
// maximum is the step count); bytes are drawn pixel by pixel (the maximum is each control's
// width, the position rounded to the nearest, halves to even). A control is told only what
// changed.
class ProgressBars {
public:
    struct Controls {
        std::function<void(ProgressControl, int)> setMaximum;
        std::function<void(ProgressControl, int)> setPosition;
        std::function<int(ProgressControl)> width;
    };

    explicit ProgressBars(Controls controls);

    // The one-file pair at `done` of `count` steps.
    void showStep(int done, int count);
    // The one-file pair at `received` of `length` bytes; empty while the length is unknown.
    void showFile(qint64 received, qint64 length);
    // The total pair at `done` of `count`.
    void showTotal(qint64 done, qint64 count);

    int position(ProgressControl control) const { return m_state[size_t(control)].position; }
    int maximum(ProgressControl control) const { return m_state[size_t(control)].maximum; }

private:
    struct State {
        int maximum = -1; // not set yet
        int position = -1;
    };

    void showShare(ProgressControl bar, ProgressControl gauge, qint64 done, qint64 count);
    void set(ProgressControl control, int maximum, int position);

    Controls m_controls;
    std::array<State, 4> m_state{};
};

} // namespace kaldoria::mainwindow
