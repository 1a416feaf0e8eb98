#include "ui/controls/TXiGauge.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kaldoria::controls {

TXiGauge::TXiGauge(QWidget* parent) : QWidget(parent) {
    resize(200, 16);
}

void TXiGauge::setPosition(qint32 value) {
    if (FRange.setPosition(value))
        repaint();
}

void TXiGauge::setMin(qint32 value) {
    if (FRange.setMin(value))
        repaint();
}

void TXiGauge::setMax(qint32 value) {
    if (FRange.setMax(value))
        repaint();
}

void TXiGauge::setStep(qint32 value) {
    FRange.setStep(value);
    repaint();
}

void TXiGauge::StepIt() {
    FRange.stepIt();
    repaint();
}

void TXiGauge::setTextureBack(const QImage& texture) {
    FBackTexture = texture;
    repaint();
}

void TXiGauge::setTextureFore(const QImage& texture) {
    FForeTexture = texture;
    repaint();
}

void TXiGauge::storeTextures(const QImage& back, const QImage& fore) {
    FBackTexture = back;
    FForeTexture = fore;
}

void TXiGauge::setOrientation(TProgressBarOrientation orientation) {
    FOrientation = orientation;
    update();
}

QImage TXiGauge::render() const {
    QImage b(size(), QImage::Format_ARGB32_Premultiplied);
    if (b.isNull())
        return b;
    b.fill(Qt::transparent);
    QPainter painter(&b);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!FBackTexture.isNull())
        painter.drawImage(0, 0, FBackTexture);
    // Min plays no part in the fill width; with Max 0 nothing is filled.
    const int w = b.width();
    const double f = FRange.max() == 0 ? 0.0 : std::nearbyint(double(FRange.position()) / double(FRange.max()) * w);
    const int fill = int(std::clamp(f, 0.0, double(w)));
    const QRect filled = QRect(0, 0, fill, b.height()) & FForeTexture.rect();
    if (!FForeTexture.isNull() && !filled.isEmpty())
        painter.drawImage(filled.topLeft(), FForeTexture, filled);
    return b;
}

void TXiGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

} // namespace kaldoria::controls
