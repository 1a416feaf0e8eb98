#include <QApplication>

#include <cstdlib>
#include <gtest/gtest.h>

// Widget tests draw offscreen unless a display is named for them.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("TZ", "UTC0", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
