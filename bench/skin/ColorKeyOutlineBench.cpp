#include "ui/skinapply/ColorKeyOutline.h"

#include <QPainter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

using kaldoria::skin::colorKeyOutline;

namespace {

constexpr QRgb kKey = 0xFFFF00FF;

// A settings background: a rounded panel on the key colour.
QImage roundedPanel(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kKey);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 30, 60));
    p.drawRoundedRect(QRect(6, 6, w - 12, h - 12), 40, 40);
    return img;
}

// The worst case: every other pixel, at random, has the key colour.
QImage speckled(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, (x == 0 && y == 0) || random.bounded(2) ? kKey : 0xFF203040);
    return img;
}

// The outline built one pixel at a time: a rectangle minus one region per key pixel.
QRegion pixelByPixel(const QImage& img) {
    QRegion region(0, 0, img.width(), img.height());
    const QRgb key = img.pixel(0, 0) & 0xFFFFFF;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if ((img.pixel(x, y) & 0xFFFFFF) == key)
                region -= QRegion(x, y, 1, 1);
    return region;
}

void BM_ColorKeyOutline_RoundedPanel(benchmark::State& state) {
    const QImage img = roundedPanel(1024, 768);
    for (auto _ : state)
        benchmark::DoNotOptimize(colorKeyOutline(img));
}
BENCHMARK(BM_ColorKeyOutline_RoundedPanel)->Unit(benchmark::kMillisecond);

void BM_PixelByPixel_RoundedPanel(benchmark::State& state) {
    const QImage img = roundedPanel(1024, 768);
    for (auto _ : state)
        benchmark::DoNotOptimize(pixelByPixel(img));
}
BENCHMARK(BM_PixelByPixel_RoundedPanel)->Unit(benchmark::kMillisecond);

void BM_ColorKeyOutline_Speckled(benchmark::State& state) {
    const QImage img = speckled(1024, 768);
    for (auto _ : state)
        benchmark::DoNotOptimize(colorKeyOutline(img));
}
BENCHMARK(BM_ColorKeyOutline_Speckled)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
