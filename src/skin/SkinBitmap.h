#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace kaldoria::skin {

// Decodes a complete Windows bitmap (BMP) file with Qt's image reader. Gives nothing when
// the bytes are not a bitmap file the reader accepts (including ones whose image would
// exceed the reader's allocation limit).
std::optional<QImage> decodeBitmap(const QByteArray& fileBytes);

} // namespace kaldoria::skin
