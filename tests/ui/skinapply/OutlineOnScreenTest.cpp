#include "ui/skinapply/RegionData.h"
#include "ui/skinapply/WindowOutline.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace kaldoria::skin;

// Outlines on a real display (run under xvfb-run): the screen shows exactly the pixels
// inside the outline and the desktop everywhere else.
namespace {

constexpr QPoint kAt(100, 80);

QImage screenAt(const QRect& area) {
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

// A frameless window filled with one colour at a fixed place on the screen.
void showFilled(QWidget& window, const QSize& size, const QColor& color) {
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, color);
    window.setPalette(palette);
    window.setGeometry(QRect(kAt, size));
}

} // namespace

TEST(OutlineOnScreen, RegionDataShowsTwoSeparateParts) {
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs a display (xvfb-run)";
    QWidget window;
    showFilled(window, QSize(200, 100), Qt::red);
    TkucBackGround background;
    background.region = regionToData(QRegion(10, 10, 60, 80) + QRegion(120, 10, 60, 80));
    applyRegionOutline(window, background);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    const QImage shot = screenAt(QRect(kAt, QSize(200, 100)));
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_EQ(shot.pixel(20, 20), red);
    EXPECT_EQ(shot.pixel(69, 89), red);
    EXPECT_EQ(shot.pixel(150, 50), red);
    EXPECT_NE(shot.pixel(90, 50), red); // between the parts: the desktop
    EXPECT_NE(shot.pixel(70, 50), red);
    EXPECT_NE(shot.pixel(5, 5), red);
}

TEST(OutlineOnScreen, ColorKeyOutlineCutsTheKeyPixels) {
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs a display (xvfb-run)";
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    const QRgb key = qRgb(255, 0, 255);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 10; ++x)
            image.setPixel(x, y, key); // a key-coloured band on the left
    QWidget window;
    showFilled(window, QSize(120, 200), Qt::black);
    QLabel picture(&window);
    picture.setPixmap(QPixmap::fromImage(image));
    picture.resize(image.size());
    applyColorKeyOutline(window, image);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    EXPECT_EQ(window.height(), 60);
    const QImage shot = screenAt(QRect(kAt, QSize(120, 60)));
    EXPECT_EQ(shot.pixel(10, 0), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(119, 59), qRgb(0, 0, 255));
    for (int x = 0; x < 10; ++x)
        EXPECT_NE(shot.pixel(x, 30), key) << x;
}

TEST(OutlineOnScreen, SingleColourBackgroundShowsNothing) {
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs a display (xvfb-run)";
    QImage image(80, 40, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    QWidget window;
    showFilled(window, QSize(80, 40), Qt::green);
    applyColorKeyOutline(window, image);
    window.show();
    QTest::qWait(300);

    const QImage shot = screenAt(QRect(kAt, QSize(80, 40)));
    for (QPoint p : {QPoint(0, 0), QPoint(40, 20), QPoint(79, 39)})
        EXPECT_NE(shot.pixel(p), qRgb(0, 255, 0)) << p.x() << "," << p.y();
}
