#include "download/SegmentPlan.h"

#include <gtest/gtest.h>

using namespace kaldoria::download;

TEST(SegmentPlan, CutsFilesAsTheWorkedExamplesShow) {
    const struct {
        qint64 length;
        int threads;
        QList<SegmentRange> ranges;
    } cases[] = {
        {1000003,
         6,
         {{0, 166666}, {166667, 333333}, {333334, 500000}, {500001, 666667}, {666668, 833334}, {833335, 1000002}}},
        {150003, 2, {{0, 75001}, {75002, 150002}}}, // 75001.5 rounds to the even 75002
        {150001, 2, {{0, 74999}, {75000, 150000}}}, // 75000.5 rounds to the even 75000
        {1, 6, {{0, 0}}},
        {99999, 6, {{0, 99998}}},
        {100000, 6, {{0, 49999}, {50000, 99999}}},
        {999999, 6, {{0, 499999}, {500000, 999998}}},
        {500000, 1, {{0, 499999}}},
        {1000000, 4, {{0, 249999}, {250000, 499999}, {500000, 749999}, {750000, 999999}}},
        {1000000, 3, {{0, 333332}, {333333, 666665}, {666666, 999999}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(planSegments(c.length, c.threads), c.ranges) << c.length << " bytes, " << c.threads << " threads";
}

TEST(SegmentPlan, LimitsTheThreadCount) {
    EXPECT_EQ(limitThreads(-3), 1);
    EXPECT_EQ(limitThreads(0), 1);
    EXPECT_EQ(limitThreads(6), 6);
    EXPECT_EQ(limitThreads(11), 10);
    EXPECT_EQ(planSegments(2000000, 50).size(), 10);
}
