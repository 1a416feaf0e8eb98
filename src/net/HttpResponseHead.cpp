#include "net/HttpResponseHead.h"

namespace kaldoria::net {

namespace {

// A non-negative decimal number that fills all of `text`.
std::optional<qint64> parseCount(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

void HttpResponseHead::addLine(QByteArrayView line) {
    const QByteArray text = line.toByteArray().trimmed();
    if (text.startsWith("HTTP/")) {
        m_fields.clear();
        const QList<QByteArray> parts = text.split(' ');
        m_status = parts.size() > 1 ? int(parseCount(parts[1]).value_or(0)) : 0;
        return;
    }
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0)
        return;
    m_fields.append({text.left(colon).trimmed().toLower(), text.mid(colon + 1).trimmed()});
}

QByteArray HttpResponseHead::header(QByteArrayView name) const {
    const QByteArray key = name.toByteArray().toLower();
    for (const auto& [fieldName, value] : m_fields) {
        if (fieldName == key)
            return value;
    }
    return {};
}

qint64 HttpResponseHead::contentLength() const {
    return parseCount(header("content-length")).value_or(-1);
}

std::optional<ContentRange> HttpResponseHead::contentRange() const {
    const QByteArray value = header("content-range");
    if (!value.startsWith("bytes "))
        return std::nullopt;
    const QByteArray range = value.mid(6).trimmed();
    const qsizetype dash = range.indexOf('-');
    const qsizetype slash = range.indexOf('/');
    if (dash <= 0 || slash <= dash)
        return std::nullopt;
    const auto first = parseCount(QByteArrayView(range).first(dash));
    const auto last = parseCount(QByteArrayView(range).sliced(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    const QByteArrayView totalText = QByteArrayView(range).sliced(slash + 1);
    if (totalText == "*")
        return ContentRange{*first, *last, -1};
    const auto total = parseCount(totalText);
    if (!total || *total <= *last)
        return std::nullopt;
    return ContentRange{*first, *last, *total};
}

} // namespace kaldoria::net
