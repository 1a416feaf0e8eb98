#include "ui/mainwindow/MessageStyle.h"

#include <QLabel>

namespace kaldoria::mainwindow {

namespace {

// How far the background's shade moves away from the text (QColor::darker/lighter factor).
constexpr int kContrastFactor = 260;
constexpr int kSampleStep = 4;

QColor meanColour(const QImage& image, const QRect& area) {
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty())
        return QColor(Qt::black);
    qint64 red = 0;
    qint64 green = 0;
    qint64 blue = 0;
    qint64 count = 0;
    for (int y = inside.top(); y <= inside.bottom(); y += kSampleStep) {
        for (int x = inside.left(); x <= inside.right(); x += kSampleStep) {
            const QRgb pixel = image.pixel(x, y);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
            ++count;
        }
    }
    return QColor(int(red / count), int(green / count), int(blue / count));
}

} // namespace

MessageStyle MessageStyle::fromSkin(const QLabel& label, const QImage& background, const QRect& area) {
    MessageStyle style;
    style.font = label.font();
    style.text = label.palette().color(QPalette::WindowText);
    const QColor mean = meanColour(background, area);
    const bool lightText = style.text.lightness() >= 128;
    style.background = lightText ? mean.darker(kContrastFactor) : mean.lighter(kContrastFactor);
    // lighter() cannot brighten black: a dark text over a black skin gets a light grey.
    if (!lightText && style.background.lightness() < 160)
        style.background = QColor(224, 224, 224);
    return style;
}

} // namespace kaldoria::mainwindow
