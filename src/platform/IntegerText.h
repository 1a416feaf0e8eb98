#pragma once

#include <QString>

#include <optional>

namespace kaldoria::platform {

// Integers as configuration and skin texts write them: optional leading blanks, an
// optional sign, then decimal digits, or hexadecimal digits after "$", "0x" or "x".
// Anything else in the text makes it no number. Decimal values must fit the width;
// hexadecimal ones are a bit pattern of at most that many bits.
std::optional<qint64> parseInteger64(const QString& text);
std::optional<qint32> parseInteger32(const QString& text);

// The readings used everywhere a number that does not parse counts as 0.
inline qint64 integer64Or0(const QString& text) {
    return parseInteger64(text).value_or(0);
}
inline qint32 integer32Or0(const QString& text) {
    return parseInteger32(text).value_or(0);
}

} // namespace kaldoria::platform
