#include "update/ByteSizeText.h"

namespace kaldoria::update {

QString byteSizeText(double bytes) {
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    return QString::number(bytes, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

} // namespace kaldoria::update
