#include "ui/mainwindow/MessagePanel.h"

#include <QPalette>

namespace kaldoria::mainwindow {

MessagePanel::MessagePanel(QWidget* parent, Timings timings) : QFrame(parent) {
    const int fullHeight = kSteps * kStepHeight;
    resize(kWidth, fullHeight);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(16, 16, 24));
    colours.setColor(QPalette::WindowText, QColor(220, 40, 40));
    setPalette(colours);

    m_label = new QLabel(this);
    m_label->setGeometry(4, 2, kWidth - 26, fullHeight - 4);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_closeButton = new QPushButton(QStringLiteral("X"), this);
    m_closeButton->setFlat(true);
    m_closeButton->setGeometry(kWidth - 20, 2, 18, 18);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_closeButton, &QPushButton::clicked, this, &MessagePanel::MsgCloseBtnClick);

    m_msgTimer.setInterval(timings.step);
    m_msgTimer2.setInterval(timings.open);
    connect(&m_msgTimer, &QTimer::timeout, this, &MessagePanel::MsgTimerTimer);
    connect(&m_msgTimer2, &QTimer::timeout, this, &MessagePanel::MsgCloseBtnClick);
    hide();
}

void MessagePanel::MsgShow(const QString& s) {
    m_label->setText(s);
    // Hidden explicitly, not merely off the screen with a minimised window.
    if (isHidden())
        m_msgTimer.start();
}

void MessagePanel::MsgTimerTimer() {
    ++m_tag;
    show();
    raise();
    resize(kWidth, m_tag * kStepHeight);
    if (m_tag >= kSteps) {
        m_msgTimer.stop();
        m_msgTimer2.start();
    }
}

void MessagePanel::MsgCloseBtnClick() {
    m_tag = 0;
    m_msgTimer.stop();
    m_msgTimer2.stop();
    hide();
}

} // namespace kaldoria::mainwindow
