#include "launch/GameLauncher.h"

#include <gtest/gtest.h>

using kaldoria::launch::GameLauncher;

TEST(GameLauncherTest, ClientFolderFollowsTheLastMatchingPair) {
    const QString pairs = QStringLiteral("English;system| Deutsch ; system_de ");
    EXPECT_EQ(GameLauncher::clientFolder(pairs, QStringLiteral("Deutsch")), QStringLiteral("system_de"));
    EXPECT_EQ(GameLauncher::clientFolder(pairs, QStringLiteral("English")), QStringLiteral("system"));
    EXPECT_EQ(GameLauncher::clientFolder(pairs, QStringLiteral("deutsch")), QStringLiteral("system"));
    EXPECT_EQ(GameLauncher::clientFolder(QStringLiteral("A;one|A;two"), QStringLiteral("A")), QStringLiteral("two"));
    EXPECT_EQ(GameLauncher::clientFolder(QStringLiteral("noseparator"), QString()), QStringLiteral("noseparator"));
}

TEST(GameLauncherTest, SettingsFileIsTheTextAfterTheLastBar) {
    EXPECT_EQ(GameLauncher::settingsFileOf(QStringLiteral("Europe|10.0.0.1| eu.ini ")), QStringLiteral("eu.ini"));
    EXPECT_EQ(GameLauncher::settingsFileOf(QStringLiteral("plain.ini")), QStringLiteral("plain.ini"));
}
