#include "ui/controls/TXiGauge.h"

#include <gtest/gtest.h>

using namespace kaldoria::controls;

namespace {

QImage solid(int w, int h, QRgb color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

constexpr QRgb kFore = 0xFFE0A020;
constexpr QRgb kBack = 0xFF203040;

// The columns of row 0 showing the foreground texture.
int foreColumns(TXiGauge& gauge) {
    const QImage img = gauge.render();
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        n += img.pixel(x, 0) == kFore;
    return n;
}

} // namespace

TEST(TXiGauge, ForegroundCoversTheFilledColumnsFromTheLeft) {
    TXiGauge gauge;
    EXPECT_EQ(gauge.size(), QSize(200, 16));
    gauge.setTextureBack(solid(200, 16, kBack));
    gauge.setTextureFore(solid(200, 16, kFore));
    gauge.setPosition(25);
    const QImage img = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x)
        for (int y : {0, 15})
            ASSERT_EQ(img.pixel(x, y), x < 50 ? kFore : kBack) << x << "," << y;

    // Orientation does not change the picture; Min plays no part in the fill.
    gauge.setOrientation(TProgressBarOrientation::pbVertical);
    gauge.setMin(20);
    EXPECT_EQ(foreColumns(gauge), 50);
    gauge.setPosition(101); // round(101 / 100 * 200) = 202, clipped to the width
    EXPECT_EQ(foreColumns(gauge), 200);
    gauge.setMin(-10);
    gauge.setMax(0);
    gauge.setPosition(-5);
    EXPECT_EQ(gauge.max(), 0);
    EXPECT_EQ(foreColumns(gauge), 0); // with Max 0 nothing is filled
}

TEST(TXiGauge, EmptyForegroundShowsOnlyTheBackground) {
    TXiGauge gauge;
    gauge.setTextureBack(solid(200, 16, kBack));
    for (int position : {0, 50, 100}) {
        gauge.setPosition(position);
        const QImage img = gauge.render();
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(img.pixel(x, 8), kBack) << position << " " << x;
    }
}

TEST(TXiGauge, SmallTexturesLeaveTheRestTransparent) {
    TXiGauge gauge;
    gauge.setTextureBack(solid(100, 16, kBack));
    gauge.setTextureFore(solid(20, 8, kFore));
    gauge.setPosition(100);
    const QImage img = gauge.render();
    EXPECT_EQ(img.pixel(10, 4), kFore);
    EXPECT_EQ(img.pixel(10, 12), kBack);
    EXPECT_EQ(img.pixel(50, 4), kBack);
    EXPECT_EQ(qAlpha(img.pixel(150, 4)), 0);
}
