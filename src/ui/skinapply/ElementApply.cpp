#include "ui/skinapply/ElementApply.h"

#include "skin/SkinLayoutMode.h"
#include "ui/controls/ColorValue.h"
#include "ui/skinapply/SkinParams.h"

#include <QPixmap>

namespace kaldoria::skin {

using controls::colorFromValue;
using controls::ColorValue;

namespace {

bool parameterMode() {
    return SkinLayoutMode == 2;
}

qint32 intParam(const QStringList& list, const char* name) {
    return lowBits(GetParamInt(list, QLatin1String(name)));
}

bool boolParam(const QStringList& list, const char* name) {
    return GetParamBool(list, QLatin1String(name));
}

ColorValue colorParam(const QStringList& list, const char* name) {
    return ColorValue(intParam(list, name));
}

// The six parameters every element reads, each set on its own, in this order.
void applyLayout(const QStringList& list, QWidget& control) {
    control.move(intParam(list, "Left"), control.y());
    control.move(control.x(), intParam(list, "Top"));
    control.resize(intParam(list, "Width"), control.height());
    control.resize(control.width(), intParam(list, "Height"));
    control.setVisible(boolParam(list, "Visible"));
    control.setEnabled(boolParam(list, "Enabled"));
}

// Font size in points. A negative size gives the character height in pixels; 0 leaves
// the size as it is (a font cannot have size 0).
void applyFontSize(QFont& font, qint32 size) {
    if (size > 0)
        font.setPointSize(size);
    else if (size < 0)
        font.setPixelSize(-size);
}

// Sets the colour a value names on the given palette roles of the control.
void setPaletteColor(QWidget& control, ColorValue value, std::initializer_list<QPalette::ColorRole> roles) {
    QPalette palette = control.palette();
    const QColor color = colorFromValue(value, palette);
    for (QPalette::ColorRole role : roles)
        palette.setColor(role, color);
    control.setPalette(palette);
}

} // namespace

void SaveToForm(const TkucBackGround& element, QLabel& image) {
    const QPixmap picture = QPixmap::fromImage(element.image);
    image.setPixmap(picture);
    image.resize(picture.size());
}

void SaveToForm(const TkucButton& element, controls::TImageButton& button) {
    button.storeImages(element.common, element.over, element.disabled, element.down, element.up);
    if (parameterMode())
        applyLayout(element.parameters, button);
    button.RePaint();
}

void SaveToForm(const TkucGauge& element, controls::TXiGauge& gauge) {
    gauge.storeTextures(element.BTex, element.FTex);
    if (parameterMode())
        applyLayout(element.parameters, gauge);
    gauge.repaint();
}

void SaveToForm(const TkucProgress& element, controls::TXiProgressBar& bar) {
    if (!parameterMode())
        return;
    const QStringList& list = element.parameters;
    applyLayout(list, bar);
    bar.setForeColorFace(colorParam(list, "CForeFace"));
    bar.setForeColorGrad(colorParam(list, "CForeGrad"));
    bar.setBackColorFace(colorParam(list, "CBackFace"));
    bar.setBackColorGrad(colorParam(list, "CBackGrad"));
    bar.setOrientation(intParam(list, "Orientation") != 0 ? controls::TProgressBarOrientation::pbVertical
                                                          : controls::TProgressBarOrientation::pbHorizontal);
}

void SaveToForm(const TkucLabel& element, QLabel& label) {
    if (!parameterMode())
        return;
    const QStringList& list = element.parameters;
    applyLayout(list, label);
    QFont font = label.font();
    applyFontSize(font, intParam(list, "Size"));
    label.setFont(font);
    setPaletteColor(label, colorParam(list, "Color"), {QPalette::WindowText});
    font.setBold(boolParam(list, "Bold"));
    font.setItalic(boolParam(list, "Italic"));
    font.setUnderline(boolParam(list, "Underline"));
    label.setFont(font);
}

void SaveToForm(const TkucLangFolder& element, controls::TElComboBox& box) {
    if (parameterMode()) {
        const QStringList& list = element.parameters;
        applyLayout(list, box);
        QFont font = box.font();
        applyFontSize(font, intParam(list, "FSize"));
        box.setFont(font);
        setPaletteColor(box, colorParam(list, "FColor"), {QPalette::Text, QPalette::ButtonText, QPalette::WindowText});
        const ColorValue back = colorParam(list, "BColor");
        setPaletteColor(box, back, {QPalette::Base, QPalette::Button, QPalette::Window});
        box.setBorderColorFace(colorFromValue(back, box.palette()));
    }
    box.repaint();
}

void SaveToForm(const TkucWebPanel& element, QWidget& control) {
    if (parameterMode())
        applyLayout(element.parameters, control);
}

} // namespace kaldoria::skin
