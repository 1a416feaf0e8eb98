#pragma once

#include <QColor>
#include <QImage>

namespace kaldoria::pack::demoskin {

// The key colour around the settings panel: the settings window cuts away every pixel of
// the colour found at its background's top-left corner.
inline const QColor kSettingsKey{255, 0, 255};

// The settings window's background: a rounded gold-rimmed panel on the key colour.
QImage drawSettingsWindow();

} // namespace kaldoria::pack::demoskin
