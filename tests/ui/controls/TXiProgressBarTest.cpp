#include "ui/controls/TXiProgressBar.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kaldoria::controls;

namespace {

QImage pixelsOf(QWidget& w) {
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A bar with one solid colour for the background and another for the filled part.
void paintSolid(TXiProgressBar& bar, ColorValue back, ColorValue fore) {
    bar.setBackColorFace(back);
    bar.setBackColorGrad(back);
    bar.setForeColorFace(fore);
    bar.setForeColorGrad(fore);
}

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr ColorValue kRedValue = 0x0000FF;
constexpr ColorValue kBlueValue = 0xFF0000;
constexpr ColorValue kGreenValue = 0x00FF00;

// Counts paint events as they arrive, to tell painting at once from a requested repaint.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

TEST(TXiProgressBar, StartsAsDesertSchemeAndColourSettersTurnItCustom) {
    TXiProgressBar bar;
    EXPECT_EQ(bar.size(), QSize(200, 16));
    EXPECT_EQ(bar.colorScheme(), TColorScheme::csDesert);
    EXPECT_EQ(bar.colorBorder(), 0x005680u);
    EXPECT_EQ(bar.backColorFace(), 0xC6ECFFu);
    EXPECT_EQ(bar.backColorGrad(), 0xFFFFFFu);
    EXPECT_EQ(bar.foreColorFace(), 0x9BDEFFu);
    EXPECT_EQ(bar.foreColorGrad(), 0x007BB7u);
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.step(), 10);
    EXPECT_EQ(bar.orientation(), TProgressBarOrientation::pbHorizontal);

    bar.setForeColorGrad(0x123456);
    EXPECT_EQ(bar.colorScheme(), TColorScheme::csCustom);
    EXPECT_EQ(bar.foreColorGrad(), 0x123456u);
    EXPECT_EQ(bar.foreColorFace(), 0x9BDEFFu);
    EXPECT_EQ(bar.colorBorder(), 0x005680u);

    bar.setColorScheme(TColorScheme::csToxic);
    EXPECT_EQ(bar.backColorFace(), 0x2C5656u);
    bar.setColorScheme(TColorScheme::csCustom);
    EXPECT_EQ(bar.backColorFace(), 0x2C5656u);
    EXPECT_EQ(bar.colorScheme(), TColorScheme::csCustom);

    bar.setColorScheme(TColorScheme::csMetal);
    bar.setColor(5, 0x111111); // no property has index 5: nothing is stored
    EXPECT_EQ(bar.colorScheme(), TColorScheme::csCustom);
    EXPECT_EQ(bar.colorBorder(), 0u);
    EXPECT_EQ(bar.backColorFace(), 0x464646u);
}

TEST(TXiProgressBar, RangeSettersKeepTheirRules) {
    TXiProgressBar bar;
    bar.setPosition(-1);
    EXPECT_EQ(bar.position(), 0);
    bar.setPosition(150);
    EXPECT_EQ(bar.position(), 150);
    bar.setMin(120);
    EXPECT_EQ(bar.min(), 0);
    bar.setMax(-5);
    EXPECT_EQ(bar.max(), 100);
    bar.setPosition(95);
    bar.StepIt();
    EXPECT_EQ(bar.position(), 105);
}

TEST(TXiProgressBar, ValueSettersPaintAtOnceColourSettersRequestARepaint) {
    QWidget window;
    window.resize(300, 40);
    TXiProgressBar bar(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    PaintCounter counter;
    bar.installEventFilter(&counter);

    bar.setPosition(40);
    EXPECT_EQ(counter.count, 1);
    bar.StepIt();
    EXPECT_EQ(counter.count, 2);

    bar.setOrientation(TProgressBarOrientation::pbVertical);
    bar.setBackColorFace(0);
    EXPECT_EQ(counter.count, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.count, 3);
}

TEST(TXiProgressBar, TenBySixBarAtMinShowsTheBackgroundGradient) {
    TXiProgressBar bar;
    bar.resize(10, 6);
    bar.setBackColorFace(0x000000);
    bar.setBackColorGrad(0x0000FF);
    bar.setColorBorder(0x00FF00);
    const QImage img = pixelsOf(bar);
    ASSERT_EQ(img.size(), QSize(10, 6));
    const int reds[] = {0, 64, 128, 191, 255};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool outline = x == 0 || x == 9 || y == 0 || y == 5;
            const QRgb expected = outline ? qRgb(0, 255, 0) : x == 1 ? qRgb(64, 0, 0) : qRgb(reds[y], 0, 0);
            EXPECT_EQ(img.pixel(x, y), expected) << "pixel " << x << "," << y;
        }
    }
}

TEST(TXiProgressBar, FilledPartLengthFollowsPosition) {
    struct Case {
        int width, min, max, position, filledColumns;
    } cases[] = {
        {527, 0, 527, 263, 262}, // round(525 * 263 / 527) = 262: columns 1 to 262
        {20, 0, 100, 150, 18},   // beyond Max: full, the rest clipped
        {20, 0, 100, 0, 0},      // at Min: only background
        {20, 10, 10, 10, 0},     // Max equal to Min: empty
    };
    for (const Case& c : cases) {
        TXiProgressBar bar;
        bar.resize(c.width, 8);
        paintSolid(bar, kBlueValue, kRedValue);
        bar.setMax(c.max);
        bar.setMin(c.min);
        bar.setPosition(c.position);
        const QImage img = pixelsOf(bar);
        int red = 0;
        for (int x = 0; x < c.width; ++x)
            red += img.pixel(x, 4) == kRed;
        EXPECT_EQ(red, c.filledColumns) << "width " << c.width << " position " << c.position;
        if (c.filledColumns > 0) {
            EXPECT_EQ(img.pixel(1, 4), kRed);
            EXPECT_EQ(img.pixel(c.filledColumns, 4), kRed);
        }
    }
}

TEST(TXiProgressBar, VerticalBarFillsFromTheBottom) {
    TXiProgressBar bar;
    bar.resize(8, 12);
    bar.setOrientation(TProgressBarOrientation::pbVertical);
    paintSolid(bar, kBlueValue, kRedValue);
    bar.setColorBorder(kGreenValue);

    // At Min the filled part starts on the bottom row, under the outline.
    QImage img = pixelsOf(bar);
    for (int y = 1; y < 11; ++y)
        for (int x = 1; x < 7; ++x)
            EXPECT_EQ(img.pixel(x, y), kBlue) << x << "," << y;

    // Half way: a = round(10 * 5 / 10 + 1) = 6, so rows 6 to 10 are filled.
    bar.setPosition(50);
    img = pixelsOf(bar);
    for (int y = 1; y < 11; ++y)
        for (int x = 1; x < 7; ++x)
            EXPECT_EQ(img.pixel(x, y), y >= 6 ? kRed : kBlue) << x << "," << y;
    EXPECT_EQ(img.pixel(0, 6), qRgb(0, 255, 0));
}

TEST(TXiProgressBar, VerticalGradientRunsAcrossColumns) {
    TXiProgressBar bar;
    bar.resize(6, 10);
    bar.setOrientation(TProgressBarOrientation::pbVertical);
    bar.setBackColorFace(0x000000);
    bar.setBackColorGrad(0x0000FF);
    const QImage img = pixelsOf(bar);
    // Columns 0 to 4 run from red 0 to 255 in four steps; row 8 repeats pixel (2, 8).
    const int reds[] = {0, 64, 128, 191, 255};
    for (int x = 1; x < 5; ++x)
        for (int y = 1; y < 9; ++y)
            EXPECT_EQ(img.pixel(x, y), qRgb(y == 8 ? 128 : reds[x], 0, 0)) << x << "," << y;
}
