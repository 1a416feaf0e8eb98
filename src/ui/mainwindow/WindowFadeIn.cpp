#include "ui/mainwindow/WindowFadeIn.h"

namespace kaldoria::mainwindow {

WindowFadeIn::WindowFadeIn(QWidget& window, int interval) : QObject(&window), m_window(window) {
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &WindowFadeIn::FadeTimerTimer);
}

void WindowFadeIn::makeTransparent() {
    m_alpha = 0;
    m_window.setWindowOpacity(0.0);
}

void WindowFadeIn::FadeTimerTimer() {
    const int next = m_alpha + kStep;
    if (next < 255) {
        m_alpha = next;
        m_window.setWindowOpacity(m_alpha / 255.0);
        return;
    }
    m_timer.stop();
    m_alpha = 255;
    m_window.setWindowOpacity(1.0);
}

} // namespace kaldoria::mainwindow
