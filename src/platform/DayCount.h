#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace kaldoria::platform {

// Date-time values as the launcher keeps them: a binary64 count of days since
// 1899-12-30 00:00, the fraction being the time of day. Before that day the whole part
// counts down while the fraction still adds the time of day (-1.25 is 1899-12-29 06:00).
class DayCount {
public:
    // The day count of a calendar date and time, taken as it stands (no zone conversion).
    static double fromDateTime(const QDateTime& dateTime) { return fromDateAndTime(dateTime.date(), dateTime.time()); }
    static double fromDateAndTime(QDate date, QTime time);

    // The calendar date and time of a day count, in local time, to the millisecond.
    static QDateTime toLocalDateTime(double days);

    // A moment given in UTC milliseconds since 1970, turned into local time with the zone
    // rules that apply at that moment, as a day count.
    static double localFromUtcMsecs(qint64 utcMsecs);

    // The inverse of localFromUtcMsecs: a local day count (to the millisecond) as UTC
    // milliseconds since 1970, with the zone rules that apply at that date. A local time
    // that the zone skips (the hour lost in spring) counts with the offset in force before
    // the switch, so it lands after it (02:30 becomes the moment of 03:30 when clocks jump
    // from 02:00 to 03:00); a local time that occurs twice (autumn) is the earlier moment.
    static qint64 utcMsecsFromLocal(double days);
};

} // namespace kaldoria::platform
