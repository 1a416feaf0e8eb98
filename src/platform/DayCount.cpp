#include "platform/DayCount.h"

#include <algorithm>
#include <cmath>

namespace kaldoria::platform {

namespace {

constexpr qint64 msecsPerDay = 86400000;
const qint64 epochJulianDay = QDate(1899, 12, 30).toJulianDay();

} // namespace

double DayCount::fromDateTime(const QDateTime& dateTime) {
    const qint64 day = dateTime.date().toJulianDay() - epochJulianDay;
    const double fraction = double(dateTime.time().msecsSinceStartOfDay()) / msecsPerDay;
    return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

QDateTime DayCount::toLocalDateTime(double days) {
    const double whole = std::trunc(days);
    const qint64 msecs = std::min(std::llround(std::fabs(days - whole) * msecsPerDay), msecsPerDay - 1);
    const QDate date = QDate::fromJulianDay(epochJulianDay + qint64(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)), Qt::LocalTime);
}

double DayCount::localFromUtcMsecs(qint64 utcMsecs) {
    return fromDateTime(QDateTime::fromMSecsSinceEpoch(utcMsecs, Qt::UTC).toLocalTime());
}

} // namespace kaldoria::platform
