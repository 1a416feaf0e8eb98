#include "demoskin/SettingsWindowArt.h"

#include "demoskin/DemoLayout.h"
#include "demoskin/DemoTheme.h"
#include "demoskin/SceneryArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kaldoria::pack::demoskin {

using namespace theme;
using namespace settingslayout;

QImage drawSettingsWindow() {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(kPanel), 22, 22);

    QImage art(kWindow, QImage::Format_RGB32);
    art.fill(kStoneDark);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(shape);
    QLinearGradient body(0, 0, 0, kWindow.height());
    body.setColorAt(0, kStoneLight);
    body.setColorAt(1, QColor(10, 12, 26));
    p.fillRect(art.rect(), body);
    drawNightSky(p, QRectF(0, 0, kWindow.width(), 58), 60, 77, QRectF(kTitle));
    drawStoneGrain(p, QRectF(0, 58, kWindow.width(), kWindow.height() - 58), 11);
    drawDivider(p, 30, kWindow.width() - 30, 58);
    drawGem(p, QPointF(kTitle.left() - 12, kTitle.center().y() + 1), 7);

    for (int row = 0; row < kRows; ++row) {
        const QRectF band(24, kRowTop + row * kRowStep - 6, kWindow.width() - 48, kFieldHeight + 12);
        p.setPen(Qt::NoPen);
        p.setBrush(row % 2 ? QColor(255, 255, 255, 10) : QColor(0, 0, 0, 40));
        p.drawRoundedRect(band, 8, 8);
        p.setPen(QPen(QColor(222, 170, 74, 130), 1));
        p.setBrush(QColor(6, 8, 18));
        p.drawRoundedRect(QRectF(fieldRow(row)).adjusted(-2.5, -2.5, 2.5, 2.5), 5, 5);
    }
    p.setPen(QPen(kGold, 1.4));
    p.setBrush(QColor(6, 8, 18));
    p.drawRoundedRect(QRectF(kOk).adjusted(-3.5, -3.5, 3.5, 3.5), 8, 8);

    QLinearGradient rim(0, 0, 0, kWindow.height());
    rim.setColorAt(0, kGoldLight);
    rim.setColorAt(1, kGoldDark);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 5));
    p.drawPath(shape);
    p.end();

    // Every pixel outside the panel, decided without smoothing, takes the key colour.
    QImage inside(kWindow, QImage::Format_RGB32);
    inside.fill(Qt::black);
    QPainter maskPainter(&inside);
    maskPainter.fillPath(shape, Qt::white);
    maskPainter.end();
    const QRgb key = kSettingsKey.rgb();
    for (int y = 0; y < art.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(art.scanLine(y));
        const auto* in = reinterpret_cast<const QRgb*>(inside.constScanLine(y));
        for (int x = 0; x < art.width(); ++x) {
            if (in[x] != 0xFFFFFFFF)
                line[x] = key;
        }
    }
    return art;
}

} // namespace kaldoria::pack::demoskin
