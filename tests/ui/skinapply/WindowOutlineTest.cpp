#include "ui/skinapply/WindowOutline.h"
#include "ui/skinapply/ColorKeyOutline.h"
#include "ui/skinapply/RegionData.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <limits>

using namespace kaldoria::skin;

namespace {

// Region data as the skin stores it: header, then left, top, right, bottom per rectangle.
QByteArray regionData(const QList<QRect>& rects, quint32 headerSize = 32, quint32 type = 1) {
    QByteArray data;
    auto put = [&](qint32 v) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        data.append(bytes, 4);
    };
    const QRect bound = std::accumulate(rects.begin(), rects.end(), QRect(), [](QRect a, QRect b) { return a | b; });
    put(qint32(headerSize));
    put(qint32(type));
    put(qint32(rects.size()));
    put(qint32(rects.size() * 16));
    for (qint32 v : {bound.left(), bound.top(), bound.right() + 1, bound.bottom() + 1})
        put(v);
    for (const QRect& r : rects)
        for (qint32 v : {r.left(), r.top(), r.right() + 1, r.bottom() + 1})
            put(v);
    return data;
}

// Remembers which widget received a mouse press.
class PressLog : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

// The outline computed the slow way: one pixel at a time.
QRegion referenceOutline(const QImage& img) {
    QRegion region(0, 0, img.width(), img.height());
    const QRgb key = img.pixel(0, 0) & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == key)
                region -= QRect(x, y, 1, 1);
    return region;
}

} // namespace

TEST(RegionData, TwoSeparateRectanglesShapeTheWindowAndItsMouseInput) {
    const QRect left(10, 10, 40, 30);
    const QRect right(70, 10, 40, 30);
    TkucBackGround background;
    background.region = regionData({left, right});
    ASSERT_TRUE(GetRegion(background).has_value());
    EXPECT_EQ(*GetRegion(background), QRegion(left) + QRegion(right));
    EXPECT_EQ(regionToData(QRegion(left) + QRegion(right)), background.region);

    // The shaped window stands in front of what lies behind it.
    PressLog behind;
    behind.resize(200, 100);
    auto* window = new PressLog(&behind);
    window->resize(120, 50);
    applyRegionOutline(*window, background);
    EXPECT_EQ(window->mask(), QRegion(left) + QRegion(right));
    behind.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&behind));

    QTest::mouseClick(behind.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(window->presses, 1);
    QTest::mouseClick(behind.windowHandle(), Qt::LeftButton, {}, QPoint(60, 20)); // between the parts
    EXPECT_EQ(window->presses, 1);
    EXPECT_EQ(behind.presses, 1);
    QTest::mouseClick(behind.windowHandle(), Qt::LeftButton, {}, QPoint(100, 35));
    EXPECT_EQ(window->presses, 2);
    QTest::mouseClick(behind.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5)); // outside both
    EXPECT_EQ(behind.presses, 2);
}

TEST(RegionData, MalformedOrEmptyDataGivesNoRegion) {
    const QByteArray good = regionData({QRect(0, 0, 10, 10)});
    struct Case {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"short header", good.left(31)},
        {"header size", regionData({QRect(0, 0, 10, 10)}, 40)},
        {"type", regionData({QRect(0, 0, 10, 10)}, 32, 2)},
        {"rectangles cut off", good.left(good.size() - 1)},
        {"no rectangles", regionData({})},
        {"only inverted rectangles", regionData({QRect(QPoint(10, 10), QPoint(5, 5))})},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(regionFromData(c.data).has_value()) << c.what;

    QByteArray huge = good;
    qToLittleEndian<qint32>(-1, huge.data() + 8); // a count of 2^32 - 1
    EXPECT_FALSE(regionFromData(huge).has_value());
    EXPECT_TRUE(regionFromData(good + QByteArray(7, 'x')).has_value()); // trailing bytes are harmless

    // A rectangle wider than an int can count is cut to the largest window, not wrapped.
    QByteArray wide = good;
    qToLittleEndian<qint32>(std::numeric_limits<qint32>::min(), wide.data() + 32);
    qToLittleEndian<qint32>(std::numeric_limits<qint32>::max(), wide.data() + 40);
    const std::optional<QRegion> cut = regionFromData(wide);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->boundingRect(), QRect(QPoint(-QWIDGETSIZE_MAX, 0), QPoint(QWIDGETSIZE_MAX - 1, 9)));
    EXPECT_EQ(regionFromData(regionToData(*cut)), cut);

    // A window whose outline was set before becomes a plain rectangle again.
    QWidget window;
    window.resize(50, 50);
    window.setMask(QRegion(0, 0, 5, 5));
    applyRegionOutline(window, TkucBackGround{});
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(ColorKeyOutline, CornersCutAndSingleColour) {
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    const QRgb key = qRgb(255, 0, 255);
    for (QPoint p : {QPoint(0, 0), QPoint(5, 0), QPoint(0, 3), QPoint(5, 3)})
        img.setPixel(p, key);
    img.setPixel(2, 1, qRgb(255, 0, 254)); // one unit off the key: kept

    QRegion expected(0, 0, 6, 4);
    for (QPoint p : {QPoint(0, 0), QPoint(5, 0), QPoint(0, 3), QPoint(5, 3)})
        expected -= QRect(p, QSize(1, 1));
    EXPECT_EQ(colorKeyOutline(img), expected);
    EXPECT_FALSE(colorKeyOutline(img).contains(QPoint(0, 0)));

    QWidget window;
    window.resize(300, 10);
    applyColorKeyOutline(window, img);
    EXPECT_EQ(window.size(), QSize(300, 4));
    EXPECT_EQ(window.mask(), expected);

    QImage plain(20, 10, QImage::Format_RGB32);
    plain.fill(qRgb(1, 2, 3));
    EXPECT_TRUE(colorKeyOutline(plain).isEmpty());
    applyColorKeyOutline(window, plain);
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty()); // nothing drawn, no mouse

    EXPECT_TRUE(colorKeyOutline(QImage()).isEmpty());
}

TEST(ColorKeyOutline, MatchesThePixelByPixelOutline) {
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(qRgb(0, 255, 0));
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(40, 40, 80));
    painter.setPen(QColor(200, 180, 90));
    painter.drawRoundedRect(QRectF(2.5, 3.5, 58, 40), 12, 12);
    painter.fillRect(20, 20, 10, 4, QColor(0, 255, 0)); // a hole
    painter.end();
    EXPECT_EQ(colorKeyOutline(img), referenceOutline(img));

    // Other image formats compare by colour as well.
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(colorKeyOutline(argb), referenceOutline(img));
}
