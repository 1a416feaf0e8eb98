#include "platform/DayCount.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace kaldoria::platform {

namespace {

constexpr qint64 msecsPerDay = 86400000;
const qint64 epochJulianDay = QDate(1899, 12, 30).toJulianDay();

} // namespace

double DayCount::fromDateAndTime(QDate date, QTime time) {
    const qint64 day = date.toJulianDay() - epochJulianDay;
    const double fraction = double(time.msecsSinceStartOfDay()) / msecsPerDay;
    return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

QDateTime DayCount::toLocalDateTime(double days) {
    const double whole = std::trunc(days);
    const qint64 msecs = std::min(std::llround(std::fabs(days - whole) * msecsPerDay), msecsPerDay - 1);
    const QDate date = QDate::fromJulianDay(epochJulianDay + qint64(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)), Qt::LocalTime);
}

double DayCount::localFromUtcMsecs(qint64 utcMsecs) {
    // The C library's conversion applies the zone rules of that moment like QDateTime does,
    // without re-reading the zone settings on every call and without a local QDateTime,
    // whose construction does (hashing converts once per file, on several threads).
    const qint64 msecs = ((utcMsecs % 1000) + 1000) % 1000;
    const time_t seconds = time_t((utcMsecs - msecs) / 1000);
    tm local;
    if (!localtime_r(&seconds, &local))
        return fromDateTime(QDateTime::fromMSecsSinceEpoch(utcMsecs, Qt::UTC).toLocalTime());
    const QDate date(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const QTime time(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), int(msecs));
    return fromDateAndTime(date, time);
}

} // namespace kaldoria::platform
