#include "ui/controls/TXiProgressBar.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace kaldoria::controls {

namespace {

enum class GradientDirection { Columns, Rows };

// The five colours of schemes csDesert to csToxic: border, back face, back grad, fore
// face, fore grad.
constexpr std::array<std::array<ColorValue, 5>, 12> kSchemes = {{
    {0x005680, 0xC6ECFF, 0xFFFFFF, 0x9BDEFF, 0x007BB7},
    {0x156F37, 0xCBF5DC, 0xFFFFFF, 0xC9F5DB, 0x28C162},
    {0x6B6B6B, 0xE0E0E0, 0xFFFFFF, 0xF0F0F0, 0xADADAD},
    {0xB35900, 0xFFEAD5, 0xFFFFFF, 0xFFEEDD, 0xFFAE5E},
    {0x00009D, 0xD7D7FF, 0xFFFFFF, 0xE8E8FF, 0x8080FF},
    {0x006464, 0xCEFFFF, 0xFFFFFF, 0xDFFFFF, 0x05BCDC},
    {0x000000, 0x005500, 0x008000, 0x91ECAE, 0x00AA00},
    {0x000000, 0x804000, 0xA85400, 0xFFCB97, 0xEC7600},
    {0x000000, 0x000059, 0x46468C, 0x9F9FF2, 0x4848BB},
    {0x000000, 0x464646, 0x6F6F6F, 0xCECECE, 0x737373},
    {0x000000, 0x800040, 0xCA0065, 0xFFB7DB, 0xFF3399},
    {0x000000, 0x2C5656, 0x3E7B7B, 0xBCDEDE, 0x468E8E},
}};

// Fills columns x0..x1 and rows y0..y1 (inclusive) of `b`, clipped to the image.
void fillSpan(QImage& b, int x0, int y0, int x1, int y1, QRgb color) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, b.width() - 1);
    y1 = std::min(y1, b.height() - 1);
    if (x0 > x1)
        return;
    for (int y = y0; y <= y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(b.scanLine(y));
        std::fill(line + x0, line + x1 + 1, color);
    }
}

// Rounds halves to the even neighbour and keeps the low byte, as a colour channel.
int channelOf(double value) {
    return int(static_cast<long long>(std::nearbyint(value)) & 0xFF);
}

// One line per step from colour f to colour t. The lines start at coordinate 0, not at
// the rectangle's left or top, and reach to top + bottom (left + right): the bar's
// painting relies on exactly these rows and columns.
void drawGradient(QImage& b, int left, int top, int right, int bottom, ColorValue f, ColorValue t,
                  GradientDirection direction) {
    const int n = direction == GradientDirection::Columns ? right - left : bottom - top;
    if (n <= 0)
        return;
    double value[3];
    double step[3];
    for (int c = 0; c < 3; ++c) {
        const int from = int((f >> (8 * c)) & 0xFF);
        const int to = int((t >> (8 * c)) & 0xFF);
        value[c] = from;
        step[c] = double(to - from) / n;
    }
    for (int i = 0; i <= n; ++i) {
        const QRgb color = qRgb(channelOf(value[0]), channelOf(value[1]), channelOf(value[2]));
        if (direction == GradientDirection::Columns)
            fillSpan(b, i, top, i, top + bottom - 1, color);
        else
            fillSpan(b, left, i, left + right - 1, i, color);
        for (int c = 0; c < 3; ++c)
            value[c] += step[c];
    }
}

// Rounds a fill length, halves to the even neighbour; the result is kept within a margin
// around `limit`, where anything further is clipped away anyway.
int roundedLength(double value, int limit) {
    return int(std::clamp(std::nearbyint(value), -2.0, double(limit) + 2.0));
}

// The colour at (x, y) of `b`, when the point lies inside it.
std::optional<QRgb> pixelAt(const QImage& b, int x, int y) {
    if (!b.valid(x, y))
        return std::nullopt;
    return b.pixel(x, y);
}

} // namespace

TXiProgressBar::TXiProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(200, 16);
    setColorScheme(TColorScheme::csDesert);
}

void TXiProgressBar::setColor(int index, ColorValue c) {
    switch (index) {
    case ColorBorderIndex:
        FColorBorder = c;
        break;
    case BackFaceIndex:
        FBackColorFace = c;
        break;
    case BackGradIndex:
        FBackColorGrad = c;
        break;
    case ForeFaceIndex:
        FForeColorFace = c;
        break;
    case ForeGradIndex:
        FForeColorGrad = c;
        break;
    default:
        break;
    }
    FColorScheme = TColorScheme::csCustom;
    update();
}

void TXiProgressBar::setColorScheme(TColorScheme scheme) {
    FColorScheme = scheme;
    const int index = int(scheme);
    if (index >= 1 && index <= int(kSchemes.size())) {
        const auto& colors = kSchemes[std::size_t(index - 1)];
        FColorBorder = colors[0];
        FBackColorFace = colors[1];
        FBackColorGrad = colors[2];
        FForeColorFace = colors[3];
        FForeColorGrad = colors[4];
    }
    update();
}

void TXiProgressBar::setOrientation(TProgressBarOrientation orientation) {
    FOrientation = orientation;
    update();
}

void TXiProgressBar::setPosition(qint32 value) {
    if (FRange.setPosition(value))
        repaint();
}

void TXiProgressBar::setMin(qint32 value) {
    if (FRange.setMin(value))
        repaint();
}

void TXiProgressBar::setMax(qint32 value) {
    if (FRange.setMax(value))
        repaint();
}

void TXiProgressBar::setStep(qint32 value) {
    FRange.setStep(value);
    repaint();
}

void TXiProgressBar::StepIt() {
    FRange.stepIt();
    repaint();
}

QImage TXiProgressBar::render() const {
    QImage b(size(), QImage::Format_RGB32);
    if (b.isNull())
        return b;
    b.fill(Qt::white);
    if (FOrientation == TProgressBarOrientation::pbVertical)
        renderVertical(b);
    else
        renderHorizontal(b);
    // The outline covers the outermost rows and columns.
    const QRgb border = colorFromValue(FColorBorder, palette()).rgb();
    const int w = b.width();
    const int h = b.height();
    fillSpan(b, 0, 0, w - 1, 0, border);
    fillSpan(b, 0, h - 1, w - 1, h - 1, border);
    fillSpan(b, 0, 0, 0, h - 1, border);
    fillSpan(b, w - 1, 0, w - 1, h - 1, border);
    return b;
}

void TXiProgressBar::renderHorizontal(QImage& b) const {
    const int w = b.width();
    const int h = b.height();
    // With Max equal to Min there is no finite fill and the filled part stays empty.
    const qint64 range = qint64(FRange.max()) - FRange.min();
    const int lo =
        range == 0 ? 0
                   : roundedLength(double(w - 2) * double(qint64(FRange.position()) - FRange.min()) / double(range), w);
    drawGradient(b, 1, 1, w - 1, h - 1, FBackColorFace, FBackColorGrad, GradientDirection::Rows);
    drawGradient(b, 0, 0, lo, h, FForeColorFace, FForeColorGrad, GradientDirection::Rows);
    if (const auto c = pixelAt(b, 1, 1))
        fillSpan(b, 1, 1, 1, h - 1, *c);
    if (const auto c = pixelAt(b, 2, h - 2))
        fillSpan(b, lo, 1, lo, h - 1, *c);
}

void TXiProgressBar::renderVertical(QImage& b) const {
    const int w = b.width();
    const int h = b.height();
    const qint64 range = std::abs(qint64(FRange.max()) - FRange.min());
    const int a =
        range == 0
            ? 0
            : roundedLength(double(h - 2) * double(qint64(FRange.position()) - FRange.min()) / double(range) + 1.0, h);
    // Above Max the filled part would start above the bar; it then covers every row.
    const int t = std::max(h - a, 0);
    drawGradient(b, 1, 1, w - 1, h, FBackColorFace, FBackColorGrad, GradientDirection::Columns);
    drawGradient(b, 0, t, w, h, FForeColorFace, FForeColorGrad, GradientDirection::Columns);
    if (const auto c = pixelAt(b, 2, h - 2))
        fillSpan(b, 1, h - 2, w - 1, h - 2, *c);
    if (const auto c = pixelAt(b, w - 3, h - 3))
        fillSpan(b, 1, t, w - 1, t, *c);
}

void TXiProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, render());
}

} // namespace kaldoria::controls
