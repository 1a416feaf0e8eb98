#include "ui/skinapply/ElementApply.h"
#include "ui/controls/TRxLabel.h"

#include "SkinModeGuard.h"

#include <gtest/gtest.h>

using namespace kaldoria::skin;
using namespace kaldoria::controls;

namespace {

QImage solid(int w, int h, QRgb color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

class ElementApply : public ::testing::Test {
protected:
    SkinModeGuard mode{2};
    QWidget host; // the controls' parent window
};

} // namespace

TEST_F(ElementApply, CommonLayoutParameters) {
    TkucWebPanel panel;
    panel.parameters = {u"Left = 12 "_qs, u"Top=-5"_qs,       u"Width=$40"_qs,
                        u"Height=30"_qs,  u"Visible=true"_qs, u"Enabled=true"_qs};
    QWidget control(&host);
    control.setEnabled(false);
    SaveToForm(panel, control);
    EXPECT_EQ(control.geometry(), QRect(12, -5, 64, 30));
    EXPECT_FALSE(control.isHidden());
    EXPECT_TRUE(control.isEnabled());

    panel.parameters = {u"Visible=True"_qs, u"Left=12px"_qs};
    SaveToForm(panel, control);
    EXPECT_TRUE(control.isHidden());
    EXPECT_FALSE(control.isEnabled());
    EXPECT_EQ(control.geometry(), QRect(0, 0, 0, 0));
}

TEST_F(ElementApply, ButtonWithANormalImageKeepsItsSize) {
    TkucButton element;
    element.common = solid(80, 24, 0xFF112233);
    element.over = solid(90, 30, 0xFF445566);
    element.parameters = {u"Left=5"_qs,    u"Top=6"_qs,        u"Width=100"_qs,
                          u"Height=40"_qs, u"Visible=true"_qs, u"Enabled=true"_qs};
    TImageButton button(&host);
    SaveToForm(element, button);
    EXPECT_EQ(button.geometry(), QRect(5, 6, 80, 24));
    EXPECT_EQ(button.bitmapOver().size(), QSize(90, 30));
    EXPECT_EQ(button.currentImage().pixel(0, 0), 0xFF112233);

    TImageButton plain(&host);
    element.common = QImage();
    SaveToForm(element, plain);
    EXPECT_EQ(plain.geometry(), QRect(5, 6, 100, 40));
}

TEST_F(ElementApply, ProgressBarTakesGradientColoursAndOrientation) {
    TXiProgressBar bar(&host);
    bar.setMax(500);
    bar.setPosition(7);
    bar.setStep(3);
    const ColorValue border = bar.colorBorder();

    TkucProgress empty;
    SaveToForm(empty, bar);
    EXPECT_EQ(bar.colorBorder(), border);
    EXPECT_EQ(bar.max(), 500);
    EXPECT_EQ(bar.position(), 7);
    EXPECT_EQ(bar.step(), 3);
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.foreColorFace(), 0u);
    EXPECT_EQ(bar.foreColorGrad(), 0u);
    EXPECT_EQ(bar.backColorFace(), 0u);
    EXPECT_EQ(bar.backColorGrad(), 0u);
    EXPECT_EQ(bar.orientation(), TProgressBarOrientation::pbHorizontal);
    EXPECT_TRUE(bar.isHidden());

    TkucProgress element;
    element.parameters = {u"CForeFace=255"_qs, u"CForeGrad=$FF00"_qs, u"CBackFace=0x10"_qs, u"CBackGrad=7"_qs,
                          u"Orientation=2"_qs};
    SaveToForm(element, bar);
    EXPECT_EQ(bar.foreColorFace(), 255u);
    EXPECT_EQ(bar.foreColorGrad(), 0xFF00u);
    EXPECT_EQ(bar.backColorFace(), 16u);
    EXPECT_EQ(bar.backColorGrad(), 7u);
    EXPECT_EQ(bar.colorScheme(), TColorScheme::csCustom);
    EXPECT_EQ(bar.orientation(), TProgressBarOrientation::pbVertical);
    element.parameters = {u"Orientation=0"_qs};
    SaveToForm(element, bar);
    EXPECT_EQ(bar.orientation(), TProgressBarOrientation::pbHorizontal);
}

TEST_F(ElementApply, LabelFontFlagsSizeAndColour) {
    QLabel label(&host);
    QFont font = label.font();
    font.setBold(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    label.setFont(font);

    TkucLabel element;
    element.parameters = {u"Bold=true"_qs, u"Size=14"_qs, u"Color=$0000FF"_qs};
    SaveToForm(element, label);
    EXPECT_TRUE(label.font().bold());
    EXPECT_FALSE(label.font().underline());
    EXPECT_FALSE(label.font().italic());
    EXPECT_TRUE(label.font().strikeOut()); // flags without a parameter stay
    EXPECT_EQ(label.font().pointSize(), 14);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));

    // A system colour (top byte FF) takes its colour from the palette.
    TRxLabel shadowed(&host);
    element.parameters = {u"Color=$FF000008"_qs, u"Italic=true"_qs};
    SaveToForm(element, shadowed);
    EXPECT_EQ(shadowed.palette().color(QPalette::WindowText),
              shadowed.palette().color(QPalette::Active, QPalette::Text));
    EXPECT_TRUE(shadowed.font().italic());
}

TEST_F(ElementApply, LanguageBoxBackgroundAndBorderFromBColor) {
    TkucLangFolder element;
    element.parameters = {u"BColor=255"_qs, u"FColor=$FFFFFF"_qs, u"FSize=11"_qs, u"Width=150"_qs};
    TElComboBox box(&host);
    SaveToForm(element, box);
    EXPECT_EQ(box.palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(box.borderColorFace(), QColor(255, 0, 0));
    EXPECT_EQ(box.palette().color(QPalette::Text), QColor(255, 255, 255));
    EXPECT_EQ(box.font().pointSize(), 11);
    EXPECT_EQ(box.width(), 150);
}

TEST_F(ElementApply, GaugeTakesBothTextures) {
    TkucGauge element;
    element.FTex = solid(200, 16, 0xFFFF0000);
    element.BTex = solid(200, 16, 0xFF0000FF);
    element.parameters = {u"Width=200"_qs, u"Height=16"_qs, u"Visible=true"_qs};
    TXiGauge gauge(&host);
    gauge.setPosition(50);
    SaveToForm(element, gauge);
    const QImage img = gauge.render();
    EXPECT_EQ(img.pixel(99, 8), 0xFFFF0000);
    EXPECT_EQ(img.pixel(100, 8), 0xFF0000FF);
}

TEST(ElementApplyBeforeASkin, ParametersWaitForASkinBlockImagesDoNot) {
    SkinModeGuard mode(1);
    QWidget host;
    TkucButton element;
    element.common = solid(30, 20, 0xFF010203);
    element.parameters = {u"Left=50"_qs};
    TImageButton button(&host);
    SaveToForm(element, button);
    EXPECT_EQ(button.geometry(), QRect(0, 0, 30, 20));

    TkucLabel label;
    label.parameters = {u"Left=50"_qs, u"Visible=true"_qs};
    QLabel control(&host);
    SaveToForm(label, control);
    EXPECT_EQ(control.x(), 0);
}
