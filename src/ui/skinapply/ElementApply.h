#pragma once

#include "skin/TkucBackGround.h"
#include "skin/TkucButton.h"
#include "skin/TkucGauge.h"
#include "skin/TkucLabel.h"
#include "skin/TkucLangFolder.h"
#include "skin/TkucProgress.h"
#include "skin/TkucWebPanel.h"
#include "ui/controls/TElComboBox.h"
#include "ui/controls/TImageButton.h"
#include "ui/controls/TXiGauge.h"
#include "ui/controls/TXiProgressBar.h"

#include <QLabel>

namespace kaldoria::skin {

// Every element's apply operation: pushes the element's images and parameters into its
// control. Steps that read the parameter list run only once a skin block has been accepted
// (SkinLayoutMode 2); they set Left, Top, Width, Height, Visible and Enabled in that order,
// and then what the element adds.

// The image control shows a copy of the background and takes its size.
void SaveToForm(const TkucBackGround& element, QLabel& image);

// The five images, the layout, then RePaint: a button with a normal image ends at its size.
void SaveToForm(const TkucButton& element, controls::TImageButton& button);

// Both textures, the layout, then a repaint.
void SaveToForm(const TkucGauge& element, controls::TXiGauge& gauge);

// The layout, the four gradient colours (the border colour stays) and the orientation.
void SaveToForm(const TkucProgress& element, controls::TXiProgressBar& bar);

// Plain labels and labels with shadow alike: the layout, font size and colour, and the
// bold, italic and underline flags; the font's other flags stay.
void SaveToForm(const TkucLabel& element, QLabel& label);

// The layout, font size and colour, background and border face colour; then a repaint.
void SaveToForm(const TkucLangFolder& element, controls::TElComboBox& box);

// Any control: the layout only.
void SaveToForm(const TkucWebPanel& element, QWidget& control);

} // namespace kaldoria::skin
