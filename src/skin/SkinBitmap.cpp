#include "skin/SkinBitmap.h"

#include <QBuffer>
#include <QImageReader>

namespace kaldoria::skin {

std::optional<QImage> decodeBitmap(const QByteArray& fileBytes) {
    if (!fileBytes.startsWith("BM"))
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(fileBytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}

} // namespace kaldoria::skin
