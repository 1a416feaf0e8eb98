#include "platform/FileTimes.h"

#include "platform/DayCount.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

#include "ScopedTimeZone.h"

using namespace kaldoria::platform;

namespace {

struct stat statOf(const QString& path) {
    struct stat st {};
    stat(QFile::encodeName(path).constData(), &st);
    return st;
}

qint64 mtimeMsecs(const QString& path) {
    const struct stat st = statOf(path);
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

// 2021-07-15 12:00 as a day count.
constexpr double kSummerNoon = 44392.5;

} // namespace

// A date written to a file reads back as the same local date, in every zone and season:
// the moment written is the local time with the offset in force at that date. A time the
// zone skips is written with the offset before the switch (it reads back one hour later);
// a time that occurs twice is the earlier moment.
TEST(FileTimesTest, WrittenDateReadsBackEqualInEveryZoneAndSeason) {
    const struct {
        const char* zone;
        QDate date;
        QTime time;
        int offsetMinutes; // east of UTC, of the moment written
        bool skipped;
    } cases[] = {
        {"UTC", {2021, 1, 15}, {12, 0}, 0, false},
        {"UTC", {2021, 7, 15}, {12, 0}, 0, false},
        {"UTC", {2021, 3, 28}, {2, 30}, 0, false},
        {"Europe/Berlin", {2021, 1, 15}, {12, 0}, 60, false},
        {"Europe/Berlin", {2021, 7, 15}, {12, 0}, 120, false},
        {"Europe/Berlin", {2021, 3, 28}, {12, 0}, 120, false},
        {"Europe/Berlin", {2021, 3, 28}, {2, 30}, 60, true},
        {"Europe/Berlin", {2021, 10, 31}, {12, 0}, 60, false},
        {"Europe/Berlin", {2021, 10, 31}, {2, 30}, 120, false},
        {"America/New_York", {2021, 1, 15}, {12, 0}, -300, false},
        {"America/New_York", {2021, 7, 15}, {12, 0}, -240, false},
        {"America/New_York", {2021, 3, 14}, {12, 0}, -240, false},
        {"America/New_York", {2021, 3, 14}, {2, 30}, -300, true},
        {"America/New_York", {2021, 11, 7}, {12, 0}, -300, false},
        {"America/New_York", {2021, 11, 7}, {1, 30}, -240, false},
        {"Australia/Sydney", {2021, 1, 15}, {12, 0}, 660, false},
        {"Australia/Sydney", {2021, 7, 15}, {12, 0}, 600, false},
        {"Australia/Sydney", {2021, 4, 4}, {12, 0}, 600, false},
        {"Australia/Sydney", {2021, 4, 4}, {2, 30}, 660, false},
        {"Australia/Sydney", {2021, 10, 3}, {12, 0}, 660, false},
        {"Australia/Sydney", {2021, 10, 3}, {2, 30}, 600, true},
        {"Asia/Kolkata", {2021, 1, 15}, {12, 0}, 330, false},
        {"Asia/Kolkata", {2021, 7, 15}, {12, 0}, 330, false},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.dat"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const auto& c : cases) {
        kaldoria::testsupport::ScopedTimeZone zone(c.zone);
        const QTime time = c.time.addMSecs(250);
        SCOPED_TRACE(std::string(c.zone) + " " + c.date.toString(Qt::ISODate).toStdString() + " " +
                     time.toString(Qt::ISODateWithMs).toStdString());
        const double date = DayCount::fromDateAndTime(c.date, time);
        const qint64 wallMsecs = QDateTime(c.date, time, Qt::UTC).toMSecsSinceEpoch();

        ASSERT_TRUE(SetFileTimes(path, 7, date));
        EXPECT_EQ(mtimeMsecs(path), wallMsecs - qint64(c.offsetMinutes) * 60000);
        const double readBack = DayCount::localFromUtcMsecs(mtimeMsecs(path));
        EXPECT_EQ(readBack, dateAsStored(date));
        EXPECT_EQ(dateAsStored(date), c.skipped ? DayCount::fromDateAndTime(c.date, time.addSecs(3600)) : date);
    }
}

TEST(FileTimesTest, MaskChoosesTheTimesThatAreSet) {
    kaldoria::testsupport::ScopedTimeZone zone("UTC0");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.dat"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const time_t expected = static_cast<time_t>(unixSecondsFromDate(kSummerNoon));

    ASSERT_TRUE(SetFileTimes(path, 4, kSummerNoon));
    EXPECT_EQ(statOf(path).st_mtim.tv_sec, expected);
    EXPECT_NE(statOf(path).st_atim.tv_sec, expected);

    ASSERT_TRUE(SetFileTimes(path, 7, kSummerNoon));
    EXPECT_EQ(statOf(path).st_atim.tv_sec, expected);

    EXPECT_FALSE(SetFileTimes(path, 0, kSummerNoon));
    EXPECT_FALSE(SetFileTimes(path, 8, kSummerNoon));
    EXPECT_FALSE(SetFileTimes(dir.filePath(QStringLiteral("missing")), 7, kSummerNoon));
}
