#include "ui/settings/PlateButton.h"

#include <QPainter>

namespace kaldoria::settings {

void PlateButton::setPlates(Plates plates, const QColor& caption) {
    m_plates = std::move(plates);
    m_caption = caption;
    setAttribute(Qt::WA_Hover);
    update();
}

QImage PlateButton::stretchPlate(const QImage& plate, QSize size) {
    if (plate.isNull() || size.isEmpty())
        return QImage();
    const QImage scaled = plate.scaledToHeight(size.height(), Qt::SmoothTransformation);
    const int end = std::min(size.height() / 2, scaled.width() / 4);
    if (end < 1 || size.width() < 2 * end + 1)
        return plate.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    const int h = size.height();
    p.drawImage(QRect(0, 0, end, h), scaled, QRect(0, 0, end, h));
    p.drawImage(QRect(end, 0, size.width() - 2 * end, h), scaled, QRect(end, 0, 1, h));
    p.drawImage(QRect(size.width() - end, 0, end, h), scaled, QRect(scaled.width() - end, 0, end, h));
    return out;
}

const QImage& PlateButton::plateForState() const {
    const QImage* chosen = &m_plates.normal;
    if (!isEnabled())
        chosen = &m_plates.disabled;
    else if (isDown())
        chosen = &m_plates.pressed;
    else if (underMouse())
        chosen = &m_plates.hover;
    return chosen->isNull() ? m_plates.normal : *chosen;
}

void PlateButton::paintEvent(QPaintEvent* event) {
    if (!hasPlates()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.drawImage(0, 0, stretchPlate(plateForState(), size()));
    p.setPen(m_caption);
    p.setFont(font());
    p.drawText(rect().translated(0, isDown() ? 1 : 0), Qt::AlignCenter, text());
}

} // namespace kaldoria::settings
