#include "platform/FileTimes.h"

#include "platform/DayCount.h"

#include <QFile>

#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kaldoria::platform {

namespace {
// 1970-01-01 as a day count since 1899-12-30.
constexpr double kUnixEpochDays = 25569.0;
constexpr double kSecondsPerDay = 86400.0;
} // namespace

double LocalToUniversal(int minutes, double date) {
    const double seconds = double(DayCount::utcMsecsFromLocal(date)) / 1000.0 + minutes * 60.0;
    return dateFromUnixSeconds(seconds);
}

double dateAsStored(double localDate) {
    return DayCount::localFromUtcMsecs(DayCount::utcMsecsFromLocal(localDate));
}

double unixSecondsFromDate(double utcDate) {
    return (utcDate - kUnixEpochDays) * kSecondsPerDay;
}

double dateFromUnixSeconds(double seconds) {
    return seconds / kSecondsPerDay + kUnixEpochDays;
}

bool SetFileTimes(const QString& path, int mask, double date) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = false;
    if (mask >= 1 && mask <= 7) {
        // Whole milliseconds, exactly as the date of the file is read back.
        const qint64 msecs = std::llround(unixSecondsFromDate(LocalToUniversal(0, date)) * 1000.0);
        const qint64 remainder = ((msecs % 1000) + 1000) % 1000;
        timespec when{};
        when.tv_sec = static_cast<time_t>((msecs - remainder) / 1000);
        when.tv_nsec = static_cast<long>(remainder) * 1000000L;
        timespec times[2];
        times[0] = (mask & 2) ? when : timespec{0, UTIME_OMIT};
        times[1] = (mask & 4) ? when : timespec{0, UTIME_OMIT};
        ok = ::futimens(fd, times) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace kaldoria::platform
