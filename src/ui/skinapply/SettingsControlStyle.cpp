#include "ui/skinapply/SettingsControlStyle.h"

#include <QPalette>
#include <QWidget>

namespace kaldoria::skin {

namespace {

// How far inside a control's left edge its field colour is read.
constexpr int kFieldInset = 3;

QColor mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

QString css(const QColor& color) {
    return color.name(QColor::HexRgb);
}

} // namespace

SettingsControlColors SettingsControlColors::from(const QColor& text, const QImage& background,
                                                  const QWidget& control) {
    const QPoint at(control.x() + kFieldInset, control.y() + control.height() / 2);
    const QColor field = background.valid(at) ? background.pixelColor(at) : QColor(Qt::black);
    return {text, field, mix(text, field, 0.45), mix(text, field, 0.3)};
}

QString comboBoxStyle(const SettingsControlColors& c) {
    // The drop-down arrow is a triangle drawn by the borders of an empty box.
    return QStringLiteral("QComboBox { color: %1; background: %2; border: 1px solid %3; border-radius: 3px;"
                          " padding: 1px 6px; }"
                          "QComboBox:disabled { color: %3; }"
                          "QComboBox::drop-down { border: none; width: 22px; background: transparent; }"
                          "QComboBox::down-arrow { image: none; width: 0px; height: 0px;"
                          " border-left: 5px solid transparent; border-right: 5px solid transparent;"
                          " border-top: 6px solid %1; }"
                          "QComboBox::down-arrow:disabled { border-top-color: %3; }"
                          "QComboBox QAbstractItemView { color: %1; background: %2; border: 1px solid %3;"
                          " outline: 0px; selection-background-color: %4; selection-color: %1; }")
        .arg(css(c.text), css(c.field), css(c.border), css(c.highlight));
}

QString checkBoxStyle(const SettingsControlColors& c) {
    // A ticked box is filled with the text colour inside a ring of the field colour.
    return QStringLiteral("QCheckBox { color: %1; background: transparent; spacing: 8px; }"
                          "QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid %3;"
                          " border-radius: 3px; background: %2; }"
                          "QCheckBox::indicator:hover { border-color: %1; }"
                          "QCheckBox::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.7,"
                          " fx:0.5, fy:0.5, stop:0 %1, stop:0.55 %1, stop:0.56 %2, stop:1 %2); }"
                          "QCheckBox::indicator:disabled { border-color: %4; }")
        .arg(css(c.text), css(c.field), css(c.border), css(c.highlight));
}

void StyleSettingsControls(const TkucConfigWindow& skin, const ConfigWindowControls& target) {
    QLabel* label = target.Text_Language ? target.Text_Language : target.Text_Title;
    const QColor text = label ? label->palette().color(QPalette::WindowText) : QColor(Qt::white);
    const QImage& background = skin.BackGroundImage.image;
    for (QComboBox* box : {target.Box_Language, target.Box_Proxy, target.Box_DriveType, target.Box_CheckType}) {
        if (box)
            box->setStyleSheet(comboBoxStyle(SettingsControlColors::from(text, background, *box)));
    }
    if (target.Check_Autoclose)
        target.Check_Autoclose->setStyleSheet(
            checkBoxStyle(SettingsControlColors::from(text, background, *target.Check_Autoclose)));
}

} // namespace kaldoria::skin
