#include "skin/SkinPayload.h"

#include "platform/TextCodec.h"
#include "skin/SkinBitmap.h"
#include "skin/SkinStreamFields.h"

#include <QBuffer>

namespace kaldoria::skin {

namespace {

// An item's content replaces the target only when its length is above 0; the region is
// the exception: it is always replaced, and emptied by an item of length 0.
struct ItemReader {
    const QByteArray& content;

    SkinReadResult operator()(QStringList* list) const {
        if (!content.isEmpty())
            *list = platform::TextCodec::decodeLines(content);
        return SkinReadResult::Ok;
    }
    SkinReadResult operator()(QImage* image) const {
        if (content.isEmpty())
            return SkinReadResult::Ok;
        auto decoded = decodeBitmap(content);
        if (!decoded)
            return SkinReadResult::BitmapNotValid;
        *image = std::move(*decoded);
        return SkinReadResult::Ok;
    }
    SkinReadResult operator()(QByteArray* region) const {
        *region = content;
        return SkinReadResult::Ok;
    }
};

} // namespace

SkinReadResult readElementPayload(QIODevice& stream, std::initializer_list<SkinItem> items) {
    const auto payload = readSizedBlock(stream);
    if (!payload)
        return SkinReadResult::StreamReadError;
    if (payload->isEmpty())
        return SkinReadResult::Ok;
    QBuffer buffer;
    buffer.setData(*payload);
    buffer.open(QIODevice::ReadOnly);
    for (const SkinItem& item : items) {
        const auto content = readSizedBlock(buffer);
        if (!content)
            return SkinReadResult::StreamReadError;
        const SkinReadResult result = std::visit(ItemReader{*content}, item);
        if (result != SkinReadResult::Ok)
            return result;
    }
    return SkinReadResult::Ok;
}

} // namespace kaldoria::skin
