#include "platform/DayCount.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <utility>

namespace kaldoria::platform {

namespace {

constexpr qint64 msecsPerDay = 86400000;
const qint64 epochJulianDay = QDate(1899, 12, 30).toJulianDay();
const qint64 unixEpochJulianDay = QDate(1970, 1, 1).toJulianDay();
// No zone is further than this from UTC, so every moment that shows a given local time
// lies within this distance of that local time read as UTC.
constexpr qint64 widestOffsetSeconds = 26 * 3600;

// The local zone's offset east of UTC, in seconds, at the UTC moment `seconds`.
qint64 offsetAt(qint64 seconds) {
    const time_t moment = time_t(seconds);
    tm local;
    return localtime_r(&moment, &local) ? qint64(local.tm_gmtoff) : 0;
}

// Splits a day count into its whole day and the milliseconds of its time of day.
std::pair<qint64, qint64> dayAndMsecs(double days) {
    const double whole = std::trunc(days);
    const qint64 msecs = std::min(std::llround(std::fabs(days - whole) * msecsPerDay), msecsPerDay - 1);
    return {qint64(whole), msecs};
}

} // namespace

double DayCount::fromDateAndTime(QDate date, QTime time) {
    const qint64 day = date.toJulianDay() - epochJulianDay;
    const double fraction = double(time.msecsSinceStartOfDay()) / msecsPerDay;
    return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

QDateTime DayCount::toLocalDateTime(double days) {
    const auto [day, msecs] = dayAndMsecs(days);
    const QDate date = QDate::fromJulianDay(epochJulianDay + day);
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

qint64 DayCount::utcMsecsFromLocal(double days) {
    const auto [day, msecs] = dayAndMsecs(days);
    // The local wall-clock time as if it were UTC, split into whole seconds and the rest.
    const qint64 wallSeconds = (epochJulianDay + day - unixEpochJulianDay) * 86400 + msecs / 1000;
    // The offsets in force on either side of that time; at most one switch lies between.
    const qint64 before = offsetAt(wallSeconds - widestOffsetSeconds);
    const qint64 after = offsetAt(wallSeconds + widestOffsetSeconds);
    qint64 seconds = wallSeconds - before; // skipped times land after the switch this way
    if (offsetAt(wallSeconds - after) == after && (offsetAt(seconds) != before || wallSeconds - after < seconds))
        seconds = wallSeconds - after;
    return seconds * 1000 + msecs % 1000;
}

} // namespace kaldoria::platform
