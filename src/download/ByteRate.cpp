#include "download/ByteRate.h"

#include <algorithm>
#include <cmath>

namespace kaldoria::download {

namespace {

constexpr qint64 kKiB = 1024;
constexpr qint64 kLargest = kKiB * kKiB * kKiB * kKiB;

qint64 unitOf(QChar suffix) {
    switch (suffix.toLower().unicode()) {
    case 'k':
        return kKiB;
    case 'm':
        return kKiB * kKiB;
    case 'g':
        return kKiB * kKiB * kKiB;
    default:
        return 0;
    }
}

} // namespace

std::optional<qint64> parseByteRate(QStringView text) {
    text = text.trimmed();
    qint64 unit = 1;
    if (!text.isEmpty() && !text.back().isDigit()) {
        unit = unitOf(text.back());
        if (unit == 0)
            return std::nullopt;
        text.chop(1);
    }
    // Digits with at most one point between or after them; no sign, no exponent.
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = point < 0 ? text : text.left(point);
    const QStringView fraction = point < 0 ? QStringView() : text.mid(point + 1);
    const auto digitsOnly = [](QStringView part) {
        return std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (whole.isEmpty() || !digitsOnly(whole) || !digitsOnly(fraction) || (point >= 0 && fraction.isEmpty()))
        return std::nullopt;
    bool ok = false;
    const double number = text.toString().toDouble(&ok);
    if (!ok || number * double(unit) > double(kLargest))
        return std::nullopt;
    const auto bytes = qint64(std::floor(number * double(unit)));
    if (bytes == 0 && number != 0)
        return std::nullopt;
    return bytes;
}

QString byteRateText(qint64 bytesPerSecond) {
    const char suffixes[] = {'G', 'M', 'K'};
    qint64 unit = kKiB * kKiB * kKiB;
    for (const char suffix : suffixes) {
        if (bytesPerSecond != 0 && bytesPerSecond % unit == 0)
            return QString::number(bytesPerSecond / unit) + QLatin1Char(suffix);
        unit /= kKiB;
    }
    return QString::number(bytesPerSecond);
}

} // namespace kaldoria::download
