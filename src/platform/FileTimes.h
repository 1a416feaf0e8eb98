#pragma once

#include <QString>

namespace kaldoria::platform {

// Dates as the launcher holds them: days since 1899-12-30 00:00, the fraction being the
// time of day. These routines give a client file the date from the server's list; what
// they write reads back, through the local time of the file's last-write time, as the
// same date in every zone and season.

// `date` (local time) turned into UTC with the zone rules that apply at that date, plus
// `minutes`.
double LocalToUniversal(int minutes, double date);

// Sets the times of the file at `path` chosen by `mask` (1 creation, 2 last access,
// 4 last write; any combination from 1 to 7) to `date`, a local time converted with
// LocalToUniversal, to the millisecond. The creation time cannot be set on this platform
// and is skipped. False when the file cannot be opened for reading and writing, the mask
// is out of range or writing the times failed.
bool SetFileTimes(const QString& path, int mask, double date);

// The date a file reads back with after SetFileTimes(path, 7, localDate): `localDate` to
// the millisecond, except for a time that the zone skips (the hour lost in spring), which
// reads back as the time after the switch.
double dateAsStored(double localDate);

// Seconds since 1970-01-01 UTC for a day-count date that is already in UTC, and back.
double unixSecondsFromDate(double utcDate);
double dateFromUnixSeconds(double seconds);

} // namespace kaldoria::platform
