#include "trust/StrictLines.h"

namespace kaldoria::trust {

QString StrictLines::read(QByteArrayView bytes, qsizetype sizeLimit, const LineReader& readLine) {
    if (bytes.size() > sizeLimit)
        return QStringLiteral("larger than %1 bytes").arg(sizeLimit);
    if (bytes.isEmpty())
        return QStringLiteral("it is empty");
    qsizetype start = 0;
    qsizetype number = 0;
    while (start < bytes.size()) {
        ++number;
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            return QStringLiteral("line %1: no line end").arg(number);
        if (const QString reason = readLine(bytes.sliced(start, end - start), start, number); !reason.isEmpty())
            return QStringLiteral("line %1: %2").arg(number).arg(reason);
        start = end + 1;
    }
    return {};
}

std::optional<qint64> StrictLines::number(QByteArrayView text, qsizetype maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0'))
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace kaldoria::trust
