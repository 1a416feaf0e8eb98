#include "ui/controls/TElComboBox.h"

#include <QPainter>
#include <QPainterPath>

namespace kaldoria::controls {

TElComboBox::TElComboBox(QWidget* parent) : QComboBox(parent) {}

void TElComboBox::setBorderColorFace(const QColor& color) {
    FBorderColorFace = color;
    update();
}

void TElComboBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect field = rect();
    painter.fillRect(field, pal.color(QPalette::Base));

    const int arrowWidth = std::min(field.height(), 18);
    const QRect textArea = field.adjusted(4, 1, -arrowWidth - 2, -1);
    painter.setPen(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea, int(Qt::AlignVCenter | Qt::AlignLeft),
                     fontMetrics().elidedText(currentText(), Qt::ElideRight, textArea.width()));

    // A small downward triangle, centred in the arrow area.
    const QPointF centre(field.right() - arrowWidth / 2.0, field.center().y() + 1.0);
    QPainterPath arrow;
    arrow.moveTo(centre + QPointF(-4, -2));
    arrow.lineTo(centre + QPointF(4, -2));
    arrow.lineTo(centre + QPointF(0, 2));
    arrow.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(arrow, painter.pen().color());
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(FBorderColorFace);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(field.adjusted(0, 0, -1, -1));
}

} // namespace kaldoria::controls
