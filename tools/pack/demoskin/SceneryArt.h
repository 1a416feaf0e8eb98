#pragma once

#include <QPainter>
#include <QRectF>

namespace kaldoria::pack::demoskin {

// Pieces of scenery shared by both windows of the demo skin.

// A night sky from deep blue to a violet horizon, with stars. A star that would fall on
// `keepClear` (a line of text) is moved below it, far enough not to read as part of a letter.
void drawNightSky(QPainter& p, const QRectF& area, int starCount, quint32 seed, const QRectF& keepClear);

// A glowing full moon.
void drawMoon(QPainter& p, const QPointF& centre, qreal radius);

// Three ranges of mountains and a small castle with lit windows, standing on the bottom of `area`.
void drawMountains(QPainter& p, const QRectF& area);

// A faint speckle that makes a flat panel look like stone.
void drawStoneGrain(QPainter& p, const QRectF& area, quint32 seed);

// A gold line with a diamond in its middle.
void drawDivider(QPainter& p, qreal left, qreal right, qreal y);

// A cut gem set in gold.
void drawGem(QPainter& p, const QPointF& centre, qreal size);

// A dark, gold-rimmed panel.
void drawPanel(QPainter& p, const QRectF& rect, qreal radius);

} // namespace kaldoria::pack::demoskin
