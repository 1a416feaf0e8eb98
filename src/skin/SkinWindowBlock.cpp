#include "skin/SkinWindowBlock.h"

#include "skin/SkinLayoutMode.h"
#include "skin/SkinStreamFields.h"

namespace kaldoria::skin {

SkinReadResult readWindowBlock(QIODevice& stream, const std::function<SkinReadResult(qint32 vers)>& loadVers) {
    if (stream.bytesAvailable() <= 0)
        return SkinReadResult::Ok;
    const auto vers = readInt32(stream);
    if (!vers)
        return SkinReadResult::StreamReadError;
    return loadVers(*vers);
}

SkinReadResult readWindowRecords(QIODevice& stream, const ElementForTag& elementFor) {
    SkinLayoutMode = 2;
    const auto count = readInt32(stream);
    if (!count)
        return SkinReadResult::StreamReadError;
    for (qint32 i = 0; i < *count; ++i) {
        const auto tag = readTag(stream);
        if (!tag)
            return SkinReadResult::StreamReadError;
        if (const ElementReader read = elementFor(*tag)) {
            const SkinReadResult result = read(stream);
            if (result != SkinReadResult::Ok)
                return result;
        } else if (!skipSizedBlock(stream)) {
            return SkinReadResult::StreamReadError;
        }
    }
    return SkinReadResult::Ok;
}

} // namespace kaldoria::skin
