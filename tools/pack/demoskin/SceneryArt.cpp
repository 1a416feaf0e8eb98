#include "demoskin/SceneryArt.h"

#include "demoskin/DemoTheme.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>

namespace kaldoria::pack::demoskin {

using namespace theme;

namespace {
// How far a star keeps from text: nearer, it reads as an accent or a dot of a letter.
constexpr qreal kTextMargin = 8;
} // namespace

void drawNightSky(QPainter& p, const QRectF& area, int starCount, quint32 seed, const QRectF& keepClear) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, kNightTop);
    sky.setColorAt(0.7, QColor(30, 28, 66));
    sky.setColorAt(1, kNightHorizon);
    p.fillRect(area, sky);
    QRandomGenerator random(seed);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < starCount; ++i) {
        QPointF at(area.left() + random.bounded(area.width()), area.top() + random.bounded(area.height() * 0.8));
        const qreal r = 0.4 + random.bounded(1.2);
        const qreal reach = (r > 1.4 ? r * 3 : r) + kTextMargin; // with its halo
        if (keepClear.adjusted(-reach, -reach, reach, reach).contains(at))
            at.setY(keepClear.bottom() + reach + 1);
        const int alpha = 90 + int(random.bounded(165));
        p.setBrush(random.bounded(5) == 0 ? QColor(190, 220, 255, alpha) : QColor(255, 250, 235, alpha));
        p.drawEllipse(at, r, r);
        if (r > 1.4) {
            p.setBrush(QColor(255, 255, 255, 30));
            p.drawEllipse(at, r * 3, r * 3);
        }
    }
}

void drawMoon(QPainter& p, const QPointF& centre, qreal radius) {
    QRadialGradient glow(centre, radius * 4);
    glow.setColorAt(0, QColor(255, 240, 200, 90));
    glow.setColorAt(0.35, QColor(200, 180, 255, 35));
    glow.setColorAt(1, QColor(120, 100, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, radius * 4, radius * 4);
    QRadialGradient disc(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    disc.setColorAt(0, QColor(255, 250, 232));
    disc.setColorAt(1, QColor(226, 208, 168));
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(QColor(190, 170, 130, 70));
    p.drawEllipse(centre + QPointF(-7, 5), 6, 5);
    p.drawEllipse(centre + QPointF(8, -6), 4, 4);
    p.drawEllipse(centre + QPointF(5, 10), 3, 3);
}

namespace {

// A mountain range: a ridge line made of a few sine waves, filled down to the bottom.
QPainterPath ridge(const QRectF& area, qreal height, qreal phase, qreal roughness) {
    QPainterPath path(area.bottomLeft());
    for (qreal x = area.left(); x <= area.right() + 8; x += 8) {
        const qreal t = x / area.width();
        const qreal h = height * (0.55 + 0.25 * std::sin(t * 6.3 + phase) + 0.12 * std::sin(t * 17 + phase * 2) +
                                  roughness * std::sin(t * 53 + phase * 3));
        path.lineTo(x, area.bottom() - h);
    }
    path.lineTo(area.bottomRight());
    path.closeSubpath();
    return path;
}

void drawCastle(QPainter& p, const QPointF& base, const QColor& stone) {
    QPainterPath castle;
    auto tower = [&](qreal x, qreal w, qreal h) {
        castle.addRect(QRectF(base.x() + x, base.y() - h, w, h));
        for (qreal cx = x; cx < x + w - 2; cx += 4)
            castle.addRect(QRectF(base.x() + cx, base.y() - h - 3, 2.5, 3));
    };
    tower(0, 14, 44);
    tower(12, 36, 26);
    tower(46, 12, 52);
    tower(56, 30, 22);
    tower(84, 10, 36);
    // A spire on the keep.
    QPainterPath spire;
    spire.moveTo(base.x() + 45, base.y() - 52);
    spire.lineTo(base.x() + 52, base.y() - 74);
    spire.lineTo(base.x() + 59, base.y() - 52);
    spire.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(stone);
    p.drawPath(castle.united(spire));
    p.setBrush(QColor(255, 200, 90, 220));
    for (QPointF w :
         {QPointF(5, -34), QPointF(50, -40), QPointF(52, -28), QPointF(24, -16), QPointF(70, -14), QPointF(88, -26)})
        p.drawRect(QRectF(base + w, QSizeF(2.5, 4)));
}

} // namespace

void drawMountains(QPainter& p, const QRectF& area) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(62, 52, 118, 220));
    p.drawPath(ridge(area, area.height() * 0.95, 0.7, 0.03));
    drawCastle(p, QPointF(area.left() + 34, area.bottom() - area.height() * 0.5), QColor(34, 30, 70));
    p.setBrush(QColor(36, 32, 76));
    p.drawPath(ridge(area, area.height() * 0.62, 2.1, 0.04));
    QLinearGradient near(area.topLeft(), area.bottomLeft());
    near.setColorAt(0, QColor(22, 22, 46));
    near.setColorAt(1, kStoneDark);
    p.setBrush(near);
    p.drawPath(ridge(area, area.height() * 0.36, 4.0, 0.05));
}

void drawStoneGrain(QPainter& p, const QRectF& area, quint32 seed) {
    QRandomGenerator random(seed);
    p.setPen(Qt::NoPen);
    const int count = int(area.width() * area.height() / 40);
    for (int i = 0; i < count; ++i) {
        const QPointF at(area.left() + random.bounded(area.width()), area.top() + random.bounded(area.height()));
        p.setBrush(random.bounded(2) ? QColor(255, 255, 255, 6) : QColor(0, 0, 0, 18));
        p.drawRect(QRectF(at, QSizeF(1 + random.bounded(2), 1)));
    }
}

void drawDivider(QPainter& p, qreal left, qreal right, qreal y) {
    const qreal mid = (left + right) / 2;
    QLinearGradient line(left, y, right, y);
    line.setColorAt(0, QColor(222, 170, 74, 0));
    line.setColorAt(0.5, kGold);
    line.setColorAt(1, QColor(222, 170, 74, 0));
    p.setPen(QPen(QBrush(line), 1.2));
    p.drawLine(QPointF(left, y), QPointF(mid - 10, y));
    p.drawLine(QPointF(mid + 10, y), QPointF(right, y));
    drawGem(p, QPointF(mid, y), 6);
}

void drawGem(QPainter& p, const QPointF& c, qreal size) {
    QPainterPath diamond;
    diamond.moveTo(c.x(), c.y() - size);
    diamond.lineTo(c.x() + size * 0.8, c.y());
    diamond.lineTo(c.x(), c.y() + size);
    diamond.lineTo(c.x() - size * 0.8, c.y());
    diamond.closeSubpath();
    QLinearGradient gem(c.x() - size, c.y() - size, c.x() + size, c.y() + size);
    gem.setColorAt(0, QColor(170, 255, 245));
    gem.setColorAt(0.5, kTeal);
    gem.setColorAt(1, QColor(20, 90, 110));
    p.setBrush(gem);
    p.setPen(QPen(kGold, std::max<qreal>(1.0, size / 6)));
    p.drawPath(diamond);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(c.x() - size * 0.2, c.y() - size * 0.35), size * 0.16, size * 0.16);
}

void drawPanel(QPainter& p, const QRectF& rect, qreal radius) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawRoundedRect(rect.translated(0, 3), radius, radius);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, QColor(16, 22, 44, 235));
    fill.setColorAt(1, QColor(8, 11, 24, 235));
    p.setBrush(fill);
    p.setPen(QPen(QColor(222, 170, 74, 170), 1.2));
    p.drawRoundedRect(rect, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect.adjusted(3, 3, -3, -3), radius - 3, radius - 3);
}

} // namespace kaldoria::pack::demoskin
