#include "ui/mainwindow/WindowFadeIn.h"

namespace kaldoria::mainwindow {

WindowFadeIn::WindowFadeIn(QWidget& window, int interval) : QObject(&window), m_window(window) {
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &WindowFadeIn::FadeTimerTimer);
}

void WindowFadeIn::makeTransparent() {
    m_alpha = 0;
    setOpacity();
}

void WindowFadeIn::FadeTimerTimer() {
    const int next = m_alpha + kStep;
    if (next < 255) {
        m_alpha = next;
    } else {
        m_timer.stop();
        m_alpha = 255;
    }
    setOpacity();
}

void WindowFadeIn::setOpacity() {
    m_window.setWindowOpacity(m_alpha / 255.0);
    // On X11 the new opacity is only queued on the display connection, which the event loop
    // sends on when other window traffic comes (input, painting); a timer alone never does.
    // Repainting sends it with the window's picture, so the compositor sees every step.
    m_window.update();
}

} // namespace kaldoria::mainwindow
