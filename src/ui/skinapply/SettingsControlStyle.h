#pragma once

#include "ui/skinapply/WindowApply.h"

#include <QColor>
#include <QImage>
#include <QString>

namespace kaldoria::skin {

// The colours the settings window's standard controls take from its skin.
struct SettingsControlColors {
    QColor text;      // the skin's label colour
    QColor field;     // the background under a control
    QColor border;    // between the two
    QColor highlight; // the chosen line of an open list

    // `text` from the skinned labels, `field` from `background` under `control`: the
    // pixel a few pixels inside its left edge, at half its height (black without a
    // background or outside it).
    static SettingsControlColors from(const QColor& text, const QImage& background, const QWidget& control);
};

// The style sheet of a combo box's open list in these colours.
QString listStyle(const SettingsControlColors& colors);
// The style sheet of a flat spin box in these colours.
QString spinBoxStyle(const SettingsControlColors& colors);
// The style sheet of a check box whose tick square is drawn in these colours.
QString checkBoxStyle(const SettingsControlColors& colors);

// Dresses the settings window's combo boxes, their lists, its spin box and check box in the skin's
// colours: label coloured text and borders on the background the skin draws under each
// control, so that they no longer show the toolkit's white fields. A flat combo box also
// takes its border colour. Runs after the elements have placed the controls and coloured
// the labels.
void StyleSettingsControls(const TkucConfigWindow& skin, const ConfigWindowControls& target);

} // namespace kaldoria::skin
