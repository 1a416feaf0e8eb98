#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>

namespace kaldoria::mainwindow {

// Fades a window in from fully transparent on a timer of its own: 30 alpha steps (of 255)
// per tick, then fully opaque on the ninth tick.
class WindowFadeIn : public QObject {
    Q_OBJECT
public:
    static constexpr int kStep = 30;

    explicit WindowFadeIn(QWidget& window, int interval = 100);

    // Makes the window fully transparent; start() then fades it in.
    void makeTransparent();
    void start() { m_timer.start(); }
    bool isActive() const { return m_timer.isActive(); }
    int alpha() const { return m_alpha; }

    void FadeTimerTimer();

private:
    void setOpacity();

    QWidget& m_window;
    QTimer m_timer;
    int m_alpha = 255;
};

} // namespace kaldoria::mainwindow
