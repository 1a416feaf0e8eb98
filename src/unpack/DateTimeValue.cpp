#include "DateTimeValue.h"

namespace kaldoria::unpack {

namespace {

constexpr double kSecondsPerDay = 86400.0;

TDateTime fromParts(QDate date, QTime time) {
    if (!date.isValid() || !time.isValid())
        return 0;
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date)) +
           time.msecsSinceStartOfDay() / 1000.0 / kSecondsPerDay;
}

} // namespace

TDateTime DateTimeValue::fromDos(unsigned dos) {
    const QDate date(static_cast<int>(1980 + (dos >> 25)), static_cast<int>((dos >> 21) & 0x0F),
                     static_cast<int>((dos >> 16) & 0x1F));
    const QTime time(static_cast<int>((dos >> 11) & 0x1F), static_cast<int>((dos >> 5) & 0x3F),
                     static_cast<int>((dos & 0x1F) * 2));
    return fromParts(date, time);
}

TDateTime DateTimeValue::fromLocal(const QDateTime& local) {
    const QDateTime inLocal = local.toLocalTime();
    return fromParts(inLocal.date(), inLocal.time());
}

} // namespace kaldoria::unpack
