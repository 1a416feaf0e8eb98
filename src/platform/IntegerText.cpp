#include "platform/IntegerText.h"

#include <limits>

namespace kaldoria::platform {

namespace {

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Parses into a value of `bits` width (32 or 64), returned sign-extended in 64 bits.
std::optional<qint64> parse(const QString& text, int bits) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && text.at(i) == u'$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    } else if (i < n && (text.at(i) == u'x' || text.at(i) == u'X')) {
        hex = true;
        ++i;
    }
    if (i >= n)
        return std::nullopt;

    const quint64 limit = bits == 64 ? std::numeric_limits<quint64>::max() : 0xFFFFFFFFull;
    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const int digit = hex ? hexValue(text.at(i))
                              : (text.at(i).isDigit() && text.at(i).unicode() < 128 ? text.at(i).unicode() - u'0' : -1);
        if (digit < 0)
            return std::nullopt;
        const quint64 base = hex ? 16 : 10;
        if (magnitude > (limit - quint64(digit)) / base)
            return std::nullopt;
        magnitude = magnitude * base + quint64(digit);
    }

    if (hex) {
        // A bit pattern of the given width.
        quint64 pattern = negative ? (~magnitude + 1) : magnitude;
        if (bits == 32)
            return qint64(qint32(quint32(pattern)));
        return qint64(pattern);
    }
    const quint64 maxPositive = bits == 64 ? quint64(std::numeric_limits<qint64>::max()) : 0x7FFFFFFFull;
    if (negative) {
        if (magnitude > maxPositive + 1)
            return std::nullopt;
        return qint64(0 - magnitude);
    }
    if (magnitude > maxPositive)
        return std::nullopt;
    return qint64(magnitude);
}

} // namespace

std::optional<qint64> parseInteger64(const QString& text) {
    return parse(text, 64);
}

std::optional<qint32> parseInteger32(const QString& text) {
    const auto v = parse(text, 32);
    if (!v)
        return std::nullopt;
    return qint32(*v);
}

} // namespace kaldoria::platform
