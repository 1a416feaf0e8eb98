#pragma once

#include "ui/mainwindow/MessageStyle.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

namespace kaldoria::mainwindow {

// How fast the message panel moves (tests make it fast).
struct MessagePanelTimings {
    int step = 100;   // between two opening steps, in milliseconds
    int open = 10000; // a notice fully open before the panel closes itself
};

// The sliding message panel of the main window. It unrolls downwards in steps of 5 pixels
// to the height its text needs (45 pixels for one or two lines); its close button closes
// it at once. A notice closes itself after a while; an error stays until the player closes
// it, and may carry one action button (such as "Retry"). A message that arrives while the
// panel is open or opening replaces the text without restarting the notice's period; an
// error makes the panel stay, and a notice does not replace an error that is showing.
class MessagePanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 239;
    static constexpr int kStepHeight = 5;
    static constexpr int kMinHeight = 45;

    using Timings = MessagePanelTimings;

    explicit MessagePanel(QWidget* parent = nullptr, Timings timings = {});

    // A notice: closes itself once it has been fully open for the open period.
    void MsgShow(const QString& s);
    // An error: stays until closed. With `actionText`, an action button under the text;
    // clicking it closes the panel and emits actionClicked().
    void showError(const QString& s, const QString& actionText = {});

    void setStyle(const MessageStyle& style);
    const MessageStyle& style() const { return m_style; }
    void setPanelWidth(int width);

    QLabel* MsgLabel() const { return m_label; }
    QPushButton* MsgCloseBtn() const { return m_closeButton; }
    QPushButton* actionButton() const { return m_actionButton; }
    // The opening steps taken so far (the tag of the opening timer).
    int tag() const { return m_tag; }
    bool isOpening() const { return m_msgTimer.isActive(); }
    // Fully open.
    bool isOpen() const { return isVisible() && !isOpening(); }
    bool isError() const { return m_error; }
    // Milliseconds until a fully open notice closes itself; -1 when none will.
    int closesIn() const { return m_msgTimer2.remainingTime(); }
    // The height the panel opens to for its present text.
    int fullHeight() const;

Q_SIGNALS:
    void actionClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void present(const QString& s, bool error, const QString& actionText);
    void layoutContent();
    void MsgTimerTimer();
    void MsgCloseBtnClick();
    void applyStyle();

    QLabel* m_label;
    QPushButton* m_closeButton;
    QPushButton* m_actionButton;
    QTimer m_msgTimer;
    QTimer m_msgTimer2;
    MessageStyle m_style;
    int m_width = kWidth;
    int m_tag = 0;
    bool m_error = false;
};

} // namespace kaldoria::mainwindow
