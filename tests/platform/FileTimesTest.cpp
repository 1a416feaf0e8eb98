#include "platform/FileTimes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

using namespace kaldoria::platform;

namespace {

// Runs the test body in one time zone and restores the previous one.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        m_hadOld = old != nullptr;
        if (m_hadOld)
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_hadOld)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadOld = false;
    std::string m_old;
};

struct stat statOf(const QString& path) {
    struct stat st {};
    stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// 2021-07-15 12:00 as a day count.
constexpr double kSummerNoon = 44392.5;

} // namespace

TEST(FileTimesTest, UsesTheStandardBiasEvenInSummer) {
    TimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(standardBiasMinutes(), -60);
    // 12:00 local on a summer day is written as 11:00 UTC, not 10:00.
    EXPECT_DOUBLE_EQ(LocalToUniversal(0, kSummerNoon), kSummerNoon - 1.0 / 24.0);
    EXPECT_DOUBLE_EQ(LocalToUniversal(30, kSummerNoon), kSummerNoon - 0.5 / 24.0);
}

TEST(FileTimesTest, MaskChoosesTheTimesThatAreSet) {
    TimeZone zone("UTC0");
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
