#pragma once

#include <QColor>
#include <QPalette>

namespace kaldoria::controls {

// Colour values as skins and controls store them: 32 bits, red in the lowest byte, then
// green, then blue. A value whose top byte is FF names a system colour by its lowest byte
// (the Windows COLOR_* index), which here resolves to a role of the widget palette.
using ColorValue = quint32;

// The colour the three low bytes spell, whatever the top byte says.
QColor rgbOfValue(ColorValue value);

// The colour a pen or font shows: system colours come from `palette` (its active group);
// an index without a system colour gives black.
QColor colorFromValue(ColorValue value, const QPalette& palette);

// The system button-face colour, the brush of buttons.
inline constexpr ColorValue kButtonFace = 0xFF00000Fu;

} // namespace kaldoria::controls
