#include "ui/mainwindow/MessagePanel.h"

#include <QPainter>

#include <algorithm>

namespace kaldoria::mainwindow {

namespace {

constexpr int kMargin = 8;
constexpr int kCloseSize = 22;
constexpr int kActionHeight = 24;
constexpr int kAccentWidth = 4;
constexpr int kBackgroundAlpha = 235;

QString rgb(const QColor& c, int alpha = 255) {
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(alpha);
}

// A button drawn in the message's own colours: a clear outline, filled when pointed at.
QString buttonSheet(const MessageStyle& style) {
    return QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %1; border-radius: 3px;"
                          " padding: 0 10px; font-weight: bold; }"
                          "QPushButton:hover { background: %3; }"
                          "QPushButton:pressed { background: %4; }")
        .arg(rgb(style.text), rgb(style.background), rgb(style.text, 70), rgb(style.text, 120));
}

} // namespace

MessagePanel::MessagePanel(QWidget* parent, Timings timings) : QFrame(parent) {
    m_label = new QLabel(this);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setTextFormat(Qt::PlainText);
    m_closeButton = new QPushButton(QStringLiteral("\u2715"), this);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->setCursor(Qt::PointingHandCursor);
    m_closeButton->setToolTip(QStringLiteral("Close"));
    m_actionButton = new QPushButton(this);
    m_actionButton->setFocusPolicy(Qt::NoFocus);
    m_actionButton->setCursor(Qt::PointingHandCursor);
    m_actionButton->hide();
    connect(m_closeButton, &QPushButton::clicked, this, &MessagePanel::MsgCloseBtnClick);
    connect(m_actionButton, &QPushButton::clicked, this, [this] {
        MsgCloseBtnClick();
        Q_EMIT actionClicked();
    });

    m_msgTimer.setInterval(timings.step);
    m_msgTimer2.setInterval(timings.open);
    m_msgTimer2.setSingleShot(true);
    connect(&m_msgTimer, &QTimer::timeout, this, &MessagePanel::MsgTimerTimer);
    connect(&m_msgTimer2, &QTimer::timeout, this, &MessagePanel::MsgCloseBtnClick);
    applyStyle();
    resize(m_width, kMinHeight);
    hide();
}

void MessagePanel::setStyle(const MessageStyle& style) {
    m_style = style;
    applyStyle();
}

void MessagePanel::applyStyle() {
    QPalette colours = m_label->palette();
    colours.setColor(QPalette::WindowText, m_style.text);
    m_label->setPalette(colours);
    m_label->setFont(m_style.font);
    const QString sheet = buttonSheet(m_style);
    m_closeButton->setStyleSheet(sheet + QStringLiteral("QPushButton { padding: 0; }"));
    m_actionButton->setStyleSheet(sheet);
    m_actionButton->setFont(m_style.font);
    layoutContent();
    update();
}

void MessagePanel::setPanelWidth(int width) {
    m_width = width;
    layoutContent();
    if (isVisible())
        resize(m_width, isOpening() ? height() : fullHeight());
}

void MessagePanel::MsgShow(const QString& s) {
    present(s, false, QString());
}

void MessagePanel::showError(const QString& s, const QString& actionText) {
    present(s, true, actionText);
}

void MessagePanel::present(const QString& s, bool error, const QString& actionText) {
    // An error outranks a notice: it stays, with its action, until the player closes it.
    if (!error && m_error && !isHidden())
        return;
    m_error = error;
    m_label->setText(s);
    m_actionButton->setText(actionText);
    m_actionButton->setVisible(!actionText.isEmpty());
    layoutContent();
    if (m_error)
        m_msgTimer2.stop();
    update();
    // Hidden explicitly, not merely off the screen with a minimised window.
    if (isHidden()) {
        m_msgTimer.start();
        return;
    }
    if (!isOpening())
        resize(m_width, fullHeight());
}

int MessagePanel::fullHeight() const {
    const int textWidth = m_width - 2 * kMargin - kAccentWidth - kCloseSize - kMargin;
    int content = m_label->heightForWidth(textWidth);
    if (content < 0)
        content = m_label->sizeHint().height();
    int height = kMargin + std::max(content, kCloseSize) + kMargin;
    if (!m_actionButton->isHidden())
        height += kActionHeight + kMargin;
    return std::max(height, kMinHeight);
}

void MessagePanel::layoutContent() {
    const int left = kMargin + kAccentWidth;
    const int textWidth = m_width - left - kMargin - kCloseSize - kMargin;
    const int actionSpace = m_actionButton->isHidden() ? 0 : kActionHeight + kMargin;
    const int full = fullHeight();
    m_label->setGeometry(left, kMargin, textWidth, full - 2 * kMargin - actionSpace);
    m_closeButton->setGeometry(m_width - kMargin - kCloseSize, kMargin / 2 + 2, kCloseSize, kCloseSize);
    const int actionWidth = std::max(m_actionButton->sizeHint().width(), 80);
    m_actionButton->setGeometry(m_width - kMargin - actionWidth, full - kMargin - kActionHeight, actionWidth,
                                kActionHeight);
}

void MessagePanel::MsgTimerTimer() {
    ++m_tag;
    QWidget::show();
    raise();
    const int full = fullHeight();
    const int height = std::min(m_tag * kStepHeight, full);
    resize(m_width, height);
    if (height >= full) {
        m_msgTimer.stop();
        if (!m_error)
            m_msgTimer2.start();
    }
}

void MessagePanel::MsgCloseBtnClick() {
    m_tag = 0;
    m_error = false;
    m_msgTimer.stop();
    m_msgTimer2.stop();
    hide();
}

void MessagePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(m_style.text, 1));
    QColor fill = m_style.background;
    fill.setAlpha(kBackgroundAlpha);
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 4, 4);
    if (m_error) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_style.errorAccent);
        painter.drawRect(QRectF(kMargin / 2.0, kMargin / 2.0, kAccentWidth, height() - kMargin));
    }
}

} // namespace kaldoria::mainwindow
