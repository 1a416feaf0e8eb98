#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

namespace kaldoria::mainwindow {

// How fast the message panel moves (tests make it fast).
struct MessagePanelTimings {
    int step = 100;   // between two opening steps, in milliseconds
    int open = 10000; // fully open before the panel closes itself
};

// The sliding message panel of the main window: a warning in red that unrolls downwards in
// nine steps of 5 pixels, stays fully open for a while and then closes; "X" closes it at
// once. A message that arrives while the panel is open or opening only replaces the text.
class MessagePanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 239;
    static constexpr int kStepHeight = 5;
    static constexpr int kSteps = 9;

    using Timings = MessagePanelTimings;

    explicit MessagePanel(QWidget* parent = nullptr, Timings timings = {});

    void MsgShow(const QString& s);

    QLabel* MsgLabel() const { return m_label; }
    QPushButton* MsgCloseBtn() const { return m_closeButton; }
    // The opening steps taken so far (the tag of the opening timer).
    int tag() const { return m_tag; }
    bool isOpening() const { return m_msgTimer.isActive(); }
    bool isOpen() const { return m_msgTimer2.isActive(); }
    // Milliseconds until a fully open panel closes itself; -1 when it is not open.
    int closesIn() const { return m_msgTimer2.remainingTime(); }

private:
    void MsgTimerTimer();
    void MsgCloseBtnClick();

    QLabel* m_label;
    QPushButton* m_closeButton;
    QTimer m_msgTimer;
    QTimer m_msgTimer2;
    int m_tag = 0;
};

} // namespace kaldoria::mainwindow
