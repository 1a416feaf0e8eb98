#include "update/checks/CheckSettings.h"

#include <gtest/gtest.h>

using kaldoria::update::CheckSettings;

TEST(CheckSettingsTest, UnknownTextsKeepThePreviousValue) {
    CheckSettings check;
    check.applyFrom(QStringLiteral("MEDIUM: SIZE & DATE"), QStringLiteral("ssd"));
    EXPECT_EQ(check.checkLevel, 1);
    EXPECT_EQ(check.hashThreadCount, 3);
    check.applyFrom(QStringLiteral("Light: Previous List"), QStringLiteral("floppy"));
    EXPECT_EQ(check.checkLevel, 0);
    EXPECT_EQ(check.hashThreadCount, 3);
    check.applyFrom(QStringLiteral("deep"), QStringLiteral("HDD"));
    EXPECT_EQ(check.checkLevel, 0);
    EXPECT_EQ(check.hashThreadCount, 1);
}
