#pragma once

#include <QByteArray>

#include <optional>

namespace kaldoria::pack {

// `data` compressed into one bzip2 stream at the largest block size (900 KiB); nothing when
// libbz2 fails or the data is too large for its 32-bit buffer interface.
std::optional<QByteArray> compressBzip2(const QByteArray& data);

} // namespace kaldoria::pack
