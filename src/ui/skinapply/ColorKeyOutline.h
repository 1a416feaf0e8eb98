#pragma once

#include <QImage>
#include <QRegion>

namespace kaldoria::skin {

// The outline of a background drawn on a key colour: every pixel whose colour (red, green
// and blue, exactly) equals that of the pixel at column 0, row 0 is cut away. The pixels
// are read in one pass, each row giving one rectangle per run of kept pixels, and rows
// with the same runs are joined into one band. An empty image gives an empty outline.
QRegion colorKeyOutline(const QImage& background);

} // namespace kaldoria::skin
