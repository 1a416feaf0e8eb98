#include "filelist/ListLineFormat.h"

#include "platform/DayCount.h"

#include <QLocale>

#include <bit>
#include <cstdint>

namespace kaldoria::filelist {

namespace {

// Cuts the next field off `rest`: the text before the next "|", or all of it.
QStringView takeField(QStringView& rest) {
    const qsizetype bar = rest.indexOf(u'|');
    if (bar < 0) {
        const QStringView field = rest;
        rest = {};
        return field;
    }
    const QStringView field = rest.left(bar);
    rest = rest.mid(bar + 1);
    return field;
}

std::optional<quint64> parseHexBits(QStringView text) {
    if (text.isEmpty() || text.size() > 64)
        return std::nullopt;
    quint64 value = 0;
    for (const QChar c : text) {
        const int digit = c >= u'0' && c <= u'9'   ? c.unicode() - u'0'
                          : c >= u'A' && c <= u'F' ? c.unicode() - u'A' + 10
                          : c >= u'a' && c <= u'f' ? c.unicode() - u'a' + 10
                                                   : -1;
        if (digit < 0 || value >> 60 != 0)
            return std::nullopt;
        value = value << 4 | quint64(digit);
    }
    return value;
}

// A short date, a space, then a time, in the user's locale. The time may be written in the
// locale's long or short form or as H:mm[:ss[.zzz]]; a date alone means midnight.
std::optional<TDateTime> parseLocaleDateTime(const QString& text) {
    const QLocale locale = QLocale::system();
    const QString trimmed = text.trimmed();
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString timeFormats[] = {locale.timeFormat(QLocale::LongFormat), locale.timeFormat(QLocale::ShortFormat),
                                   QStringLiteral("H:mm:ss.zzz"), QStringLiteral("H:mm:ss"), QStringLiteral("H:mm")};
    for (const QString& timeFormat : timeFormats) {
        const QDateTime dateTime = locale.toDateTime(trimmed, dateFormat + u' ' + timeFormat);
        if (dateTime.isValid())
            return platform::DayCount::fromDateTime(dateTime);
    }
    const QDate date = locale.toDate(trimmed, dateFormat);
    if (!date.isValid())
        return std::nullopt;
    return platform::DayCount::fromDateAndTime(date, QTime(0, 0));
}

} // namespace

ListLineFormat::Parsed ListLineFormat::parse(const QString& line) {
    Parsed parsed;
    TFileRecord& record = parsed.record;
    QStringView rest(line);
    if (rest.contains(u'|'))
        record.Hash = takeField(rest).toString();
    record.Name = takeField(rest).toString();
    record.Size = parseSize(takeField(rest).toString());
    const QString dateText = takeField(rest).toString();
    record.HashPacked = takeField(rest).toString();

    const std::optional<TDateTime> date = parseDate(dateText);
    if (!date)
        parsed.error = QStringLiteral("'%1' is not a valid date and time").arg(dateText);
    else
        record.Date = *date;
    return parsed;
}

QString ListLineFormat::format(const TFileRecord& record) {
    const quint64 bits = std::bit_cast<quint64>(record.Date);
    QString line;
    line.reserve(record.Hash.size() + record.Name.size() + record.HashPacked.size() + 40);
    line += record.Hash;
    line += u'|';
    line += record.Name;
    line += u'|';
    line += QString::number(record.Size);
    line += u'|';
    line += QStringLiteral("%1").arg(bits, 16, 16, QChar(u'0')).toUpper();
    line += u'|';
    line += record.HashPacked;
    return line;
}

qint64 ListLineFormat::parseSize(const QString& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? value : 0;
}

std::optional<TDateTime> ListLineFormat::parseDate(const QString& text) {
    if (text.isEmpty())
        return 0.0;
    if (!text.contains(u' '))
        return std::bit_cast<double>(parseHexBits(text).value_or(0));
    return parseLocaleDateTime(text);
}

} // namespace kaldoria::filelist
