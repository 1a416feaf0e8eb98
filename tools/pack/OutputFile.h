#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

namespace kaldoria::pack {

// Writes `bytes` to `path` through a temporary file in the same folder that is renamed
// over `path` only when complete, so a failure never leaves a half-written output.
// `permissions`, when given, are those of the new file. Gives the error message, or an
// empty string on success.
QString writeOutputFile(const QString& path, const QByteArray& bytes,
                        std::optional<QFileDevice::Permissions> permissions = std::nullopt);

// The whole content of `path`, or the error message in `error`.
std::optional<QByteArray> readInputFile(const QString& path, QString& error);

} // namespace kaldoria::pack
