#include "ui/skinapply/SettingsControlStyle.h"

#include <QAbstractItemView>
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

QString listStyle(const SettingsControlColors& c) {
    return QStringLiteral("QAbstractItemView { color: %1; background: %2; border: 1px solid %3; outline: 0px;"
                          " selection-background-color: %4; selection-color: %1; }")
        .arg(css(c.text), css(c.field), css(c.border), css(c.highlight));
}

QString spinBoxStyle(const SettingsControlColors& c) {
    return QStringLiteral("QSpinBox { color: %1; background: %2; border: 1px solid %3; padding-left: 3px;"
                          " selection-background-color: %4; selection-color: %1; }"
                          "QSpinBox:focus { border-color: %1; }"
                          "QSpinBox:disabled { color: %3; }")
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
        if (!box)
            continue;
        const SettingsControlColors colors = SettingsControlColors::from(text, background, *box);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, colors.field);
        palette.setColor(QPalette::Button, colors.field);
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
            palette.setColor(role, colors.text);
            palette.setColor(QPalette::Disabled, role, colors.border);
        }
        box->setPalette(palette);
        if (auto* flat = qobject_cast<controls::TElComboBox*>(box))
            flat->setBorderColorFace(colors.border);
        box->view()->setStyleSheet(listStyle(colors));
    }
    if (target.Box_RateLimit)
        target.Box_RateLimit->setStyleSheet(
            spinBoxStyle(SettingsControlColors::from(text, background, *target.Box_RateLimit)));
    if (target.Check_Autoclose)
        target.Check_Autoclose->setStyleSheet(
            checkBoxStyle(SettingsControlColors::from(text, background, *target.Check_Autoclose)));
}

} // namespace kaldoria::skin
