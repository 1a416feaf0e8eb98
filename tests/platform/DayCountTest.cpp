#include "platform/DayCount.h"

#include <gtest/gtest.h>

using kaldoria::platform::DayCount;

TEST(DayCount, CountsDaysFrom1899December30) {
    const struct {
        QDateTime dateTime;
        double days;
    } cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
        {QDateTime(QDate(2021, 3, 15), QTime(12, 0)), 44270.5},
        {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25},
        {QDateTime(QDate(2000, 1, 1), QTime(18, 0)), 36526.75},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayCount::fromDateTime(c.dateTime), c.days);
        EXPECT_EQ(DayCount::toLocalDateTime(c.days), c.dateTime);
    }
    const QDateTime withMsecs(QDate(2024, 7, 1), QTime(23, 59, 59, 999));
    EXPECT_EQ(DayCount::toLocalDateTime(DayCount::fromDateTime(withMsecs)), withMsecs);
}

// A UTC moment becomes the local wall-clock time of that moment, to the millisecond.
TEST(DayCount, TurnsUtcMomentsIntoLocalTime) {
    for (const qint64 utc : {qint64(0), qint64(1615809600250), qint64(1719878400999)}) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(utc, Qt::UTC).toLocalTime();
        EXPECT_EQ(DayCount::localFromUtcMsecs(utc), DayCount::fromDateTime(local)) << utc;
        EXPECT_EQ(DayCount::toLocalDateTime(DayCount::localFromUtcMsecs(utc)).toMSecsSinceEpoch(), utc) << utc;
    }
}
