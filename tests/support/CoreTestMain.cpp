#include <QCoreApplication>

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// The test entry of the tests that need an event loop but no widgets.
int main(int argc, char** argv) {
    // File dates are compared in local time: one fixed zone for every run.
    setenv("TZ", "UTC0", 1);
    tzset();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
