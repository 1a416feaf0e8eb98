#pragma once

#include <QIODevice>

#include <optional>

namespace kaldoria::startup {

// Decompresses the bzip2 stream that starts at `source`'s current position and appends
// the result at `target`'s current position, in 64 KiB chunks. Reading stops at the end
// of the first bzip2 stream. False when the data is not bzip2, is damaged or ends early,
// when writing fails, or when the output would exceed `maxOutput` bytes; `target` may then
// hold part of the output.
bool DecompressStream(QIODevice& source, QIODevice& target, std::optional<qint64> maxOutput = std::nullopt);

} // namespace kaldoria::startup
