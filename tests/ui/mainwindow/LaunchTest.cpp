#include "ui/mainwindow/workflow/GameLauncher.h"
#include "ui/mainwindow/workflow/LocalSource.h"

#include <gtest/gtest.h>

using namespace kaldoria::workflow;

TEST(LocalSourceTest, FirstArgumentChoosesTheLocalFolder) {
    struct Case {
        QStringList args;
        bool enabled;
        QString folder;
    };
    const QString prog = QStringLiteral("Kaldoria");
    const Case cases[] = {
        {{prog, QStringLiteral("filemode=/srv/files")}, true, QStringLiteral("/srv/files/")},
        {{prog, QStringLiteral("FILEMODE=/srv/files/")}, true, QStringLiteral("/srv/files/")},
        {{prog, QStringLiteral("filemode=D:\\files")}, true, QStringLiteral("D:\\files/")},
        {{prog, QStringLiteral("filemode=D:\\files\\")}, true, QStringLiteral("D:\\files\\")},
        {{prog, QStringLiteral("filemode=")}, false, QString()},
        {{prog, QStringLiteral("-debug"), QStringLiteral("filemode=/x")}, false, QString()},
        {{prog, QStringLiteral(" filemode=/x")}, false, QString()},
        {{prog}, false, QString()},
    };
    for (const Case& c : cases) {
        const LocalSource source = LocalSource::fromArguments(c.args);
        EXPECT_EQ(source.enabled, c.enabled) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(source.folder, c.folder) << c.args.join(QLatin1Char(' ')).toStdString();
    }
}

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
