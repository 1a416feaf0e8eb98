#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace kaldoria::download {

// A download rate as a player writes it: bytes per second, a decimal number with an optional
// suffix k, M or G in either case (1024-based, as curl's --limit-rate reads them), so "500k",
// "1.5M" and "2G" are rates. Blanks around it are allowed. Nothing for anything else, for a
// rate above 1024G, and for a number other than 0 that makes less than one byte per second.
std::optional<qint64> parseByteRate(QStringView text);

// The shortest text of `bytesPerSecond` that parseByteRate reads back exactly: "0", "1000",
// "300K", "5M".
QString byteRateText(qint64 bytesPerSecond);

} // namespace kaldoria::download
