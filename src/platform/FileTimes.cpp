#include "platform/FileTimes.h"

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

int standardBiasMinutes() {
    tzset();
    // `timezone` holds the standard-time offset in seconds west of UTC.
    return static_cast<int>(timezone / 60);
}

double LocalToUniversal(int minutes, double date) {
    const int sum = standardBiasMinutes() + minutes;
    return date + static_cast<double>(sum) / (24.0 * 60.0);
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
        const double seconds = unixSecondsFromDate(LocalToUniversal(0, date));
        const double whole = std::floor(seconds);
        timespec when{};
        when.tv_sec = static_cast<time_t>(whole);
        when.tv_nsec = static_cast<long>(std::llround((seconds - whole) * 1000.0)) * 1000000L;
        if (when.tv_nsec >= 1000000000L) {
            when.tv_sec += 1;
            when.tv_nsec -= 1000000000L;
        }
        timespec times[2];
        times[0] = (mask & 2) ? when : timespec{0, UTIME_OMIT};
        times[1] = (mask & 4) ? when : timespec{0, UTIME_OMIT};
        ok = ::futimens(fd, times) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace kaldoria::platform
