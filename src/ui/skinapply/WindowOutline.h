#pragma once

#include "skin/TkucBackGround.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <optional>

namespace kaldoria::skin {

// Gives a window its outline, so that exactly the pixels inside are drawn and receive the
// mouse. No region makes the window a plain rectangle again; an empty region leaves
// nothing of it.
void setWindowOutline(QWidget& window, const std::optional<QRegion>& outline);

// The main window's outline: the region data of its background, or a plain rectangle.
void applyRegionOutline(QWidget& window, const TkucBackGround& background);

// The settings window's outline from its background bitmap: the window takes the
// bitmap's height (its width stays) and loses every pixel of the key colour.
void applyColorKeyOutline(QWidget& window, const QImage& background);

} // namespace kaldoria::skin
