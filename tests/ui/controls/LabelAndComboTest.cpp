#include "ui/controls/TElComboBox.h"
#include "ui/controls/TRxLabel.h"

#include <gtest/gtest.h>

using namespace kaldoria::controls;

namespace {

int countColour(const QImage& img, QRgb color) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == color;
    return n;
}

} // namespace

TEST(TRxLabel, DrawsTheShadowUnderTheText) {
    TRxLabel label;
    label.setText(u"Kaldoria"_qs);
    QFont font = label.font();
    font.setPixelSize(24);
    label.setFont(font);
    label.setAutoFillBackground(true);
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::green);
    label.setPalette(palette);
    label.setShadowColor(Qt::red);
    label.setShadowSize(2);
    label.resize(200, 40);
    QImage img = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(countColour(img, qRgb(255, 0, 0)), 20);
    EXPECT_GT(countColour(img, qRgb(0, 255, 0)), 20);

    label.setShadowSize(0);
    img = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(countColour(img, qRgb(255, 0, 0)), 0);
}

TEST(TElComboBox, FlatFieldWithItsBorderFaceColour) {
    TElComboBox box;
    box.addItem(u"English"_qs);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Base, QColor(10, 20, 30));
    box.setPalette(palette);
    box.setBorderColorFace(QColor(255, 0, 0));
    box.resize(150, 24);
    const QImage img = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (QPoint p : {QPoint(0, 0), QPoint(149, 0), QPoint(0, 23), QPoint(149, 23), QPoint(75, 0)})
        EXPECT_EQ(img.pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
    EXPECT_EQ(img.pixel(2, 2), qRgb(10, 20, 30));
}
