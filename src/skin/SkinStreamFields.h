#pragma once

#include <QByteArray>
#include <QIODevice>

#include <optional>

namespace kaldoria::skin {

// The little-endian fields of the skin stream, read from a device's current position.
// Each returns nothing when the data ends inside the field; nothing is ever read beyond
// the data, and a length is checked against the bytes left before anything is allocated.
std::optional<qint32> readInt32(QIODevice& device);
std::optional<quint8> readTag(QIODevice& device);

// A sized block: an 8-byte signed length L, then L content bytes when L > 0. Gives the
// content, which is empty exactly when L is 0 or negative (no content follows then), or
// nothing when the length field or the content runs past the end of the data.
std::optional<QByteArray> readSizedBlock(QIODevice& device);

// Passes over a sized block; false when it runs past the end of the data.
bool skipSizedBlock(QIODevice& device);

} // namespace kaldoria::skin
