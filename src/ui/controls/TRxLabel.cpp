#include "ui/controls/TRxLabel.h"

#include <QPainter>
#include <QStyle>

namespace kaldoria::controls {

TRxLabel::TRxLabel(QWidget* parent) : QLabel(parent) {}

void TRxLabel::setShadowColor(const QColor& color) {
    FShadowColor = color;
    update();
}

void TRxLabel::setShadowSize(int size) {
    FShadowSize = size;
    update();
}

void TRxLabel::paintEvent(QPaintEvent* event) {
    if (FShadowSize <= 0 || text().isEmpty() || textFormat() == Qt::RichText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    QPalette shadow = palette();
    shadow.setColor(QPalette::WindowText, FShadowColor);
    style()->drawItemText(&painter, area.translated(FShadowSize, FShadowSize), flags, shadow, isEnabled(), text(),
                          QPalette::WindowText);
    style()->drawItemText(&painter, area, flags, palette(), isEnabled(), text(), QPalette::WindowText);
}

} // namespace kaldoria::controls
