#pragma once

#include <QString>

namespace kaldoria::platform {

// Dates as the launcher holds them: days since 1899-12-30 00:00, the fraction being the
// time of day. These routines give a client file the date from the server's list.

// The local time zone's standard bias in minutes (UTC = local time + bias), never the
// daylight-saving one, whatever the date or season.
int standardBiasMinutes();

// `date` (local time) turned into UTC with the standard bias plus `minutes`.
double LocalToUniversal(int minutes, double date);

// Sets the times of the file at `path` chosen by `mask` (1 creation, 2 last access,
// 4 last write; any combination from 1 to 7) to `date`, a local time converted with
// LocalToUniversal. The creation time cannot be set on this platform and is skipped.
// False when the file cannot be opened for reading and writing, the mask is out of
// range or writing the times failed.
bool SetFileTimes(const QString& path, int mask, double date);

// Seconds since 1970-01-01 UTC for a day-count date that is already in UTC, and back.
double unixSecondsFromDate(double utcDate);
double dateFromUnixSeconds(double seconds);

} // namespace kaldoria::platform
