#pragma once

#include <QByteArray>

#include <optional>

namespace kaldoria::pack {

// The configuration package for a decoded configuration stream: the 4-byte little-endian
// payload length, then the stream compressed with bzip2 and scrambled with the launcher's
// applied package key. Nothing when the payload would exceed the launcher's limit.
std::optional<QByteArray> writeConfigPackage(const QByteArray& stream);

} // namespace kaldoria::pack
