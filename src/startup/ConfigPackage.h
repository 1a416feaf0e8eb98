#pragma once

#include "startup/tDebugFile.h"

#include <QByteArray>

#include <optional>

namespace kaldoria::startup {

// Reads the configuration package: a 4-byte little-endian length N, then N bytes of bzip2
// data scrambled with the applied package key. The launcher never writes one.
class ConfigPackage {
public:
    // Largest scrambled payload a package may hold.
    static constexpr qint32 kMaxPayload = 1500 * 1024;
    // Largest decoded configuration stream accepted, so that a small hostile payload
    // cannot expand without bound.
    static constexpr qint64 kMaxDecoded = 256LL * 1024 * 1024;

    // Decodes the package bytes `resource` (nothing: the resource is missing) into the
    // configuration stream, or gives nothing on any failure. Writes the size line to `log`
    // and, when the log is enabled, the scrambled payload to "config.pack" in the current
    // folder.
    static std::optional<QByteArray> decode(const std::optional<QByteArray>& resource, tDebugFile* log);
};

} // namespace kaldoria::startup
