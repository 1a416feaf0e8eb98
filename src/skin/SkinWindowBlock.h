#pragma once

#include "skin/SkinReadResult.h"

#include <QIODevice>

#include <functional>

namespace kaldoria::skin {

// Reads the payload of the record with a tag into its element; empty for a tag that
// names no element of the window.
using ElementReader = std::function<SkinReadResult(QIODevice& stream)>;
using ElementForTag = std::function<ElementReader(quint8 tag)>;

template <typename Element> ElementReader readerOf(Element& element) {
    return [&element](QIODevice& stream) { return element.LoadFromStream2(stream); };
}

// Reads a window block's 4-byte version and hands it to `loadVers`. A stream that has
// no bytes left holds no block: nothing is read and the result is Ok.
SkinReadResult readWindowBlock(QIODevice& stream, const std::function<SkinReadResult(qint32 vers)>& loadVers);

// The rest of an accepted window block: sets SkinLayoutMode to 2, reads the count and
// then every record, passing over the payloads of records whose tag names no element.
SkinReadResult readWindowRecords(QIODevice& stream, const ElementForTag& elementFor);

} // namespace kaldoria::skin
