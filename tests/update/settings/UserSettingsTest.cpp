#include "update/settings/UserSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria::update;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("Kaldoria.ini"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

TEST(UserSettingsTest, MissingFileGivesTheDefaults) {
    QTemporaryDir dir;
    const UserSettings s = UserSettingsFile::load(dir.filePath(QStringLiteral("Kaldoria.ini")));
    EXPECT_EQ(s.mainLeft, -1);
    EXPECT_EQ(s.mainTop, -1);
    EXPECT_FALSE(s.autoClose);
    EXPECT_EQ(s.selProxy, QStringLiteral("auto"));
    EXPECT_EQ(s.driveType, QStringLiteral("HDD"));
    EXPECT_EQ(s.checkMode, QStringLiteral("Hard: MD5 Hash"));
    EXPECT_EQ(s.langFolder, QStringLiteral("default"));
}

TEST(UserSettingsTest, ReadsAnyOrderCaseAndBlanks) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "  LEFT=100\r\n"
                                        "top = abc\n"
                                        "no equals sign\n"
                                        " AutoClose =  TRUE \r"
                                        "SelProxy = Europe One\n"
                                        "drivetype = SSD\n"
                                        "CheckMode = Medium: Size & Date\n"
                                        "LangFolder = Deutsch\n"
                                        "Language = english\n"
                                        "unknown = 5\n"
                                        "drivetype = HDD\n");
    const UserSettings s = UserSettingsFile::load(path);
    EXPECT_EQ(s.mainLeft, 100);
    EXPECT_EQ(s.mainTop, -1);
    EXPECT_TRUE(s.autoClose);
    EXPECT_EQ(s.selProxy, QStringLiteral("europe one"));
    EXPECT_EQ(s.driveType, QStringLiteral("HDD"));
    EXPECT_EQ(s.checkMode, QStringLiteral("Medium: Size & Date"));
    EXPECT_EQ(s.langFolder, QStringLiteral("Deutsch"));
    EXPECT_EQ(s.language, QStringLiteral("english"));
    EXPECT_FALSE(UserSettingsFile::load(writeFile(dir, "left = 1\n")).language.has_value());

    EXPECT_FALSE(UserSettingsFile::load(writeFile(dir, "AutoClose = yes\n")).autoClose);
}

TEST(UserSettingsTest, WritesTheEightLinesInOrderAndReadsThemBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kaldoria.ini"));
    UserSettings s;
    s.mainLeft = 10;
    s.mainTop = 20;
    s.language = QStringLiteral("English");
    s.autoClose = true;
    s.selProxy = QStringLiteral("Auto");
    ASSERT_TRUE(UserSettingsFile::save(path, s));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Left = 10\r\nTop = 20\r\nLanguage = English\r\nAutoClose = True\r\n"
                                         "SelProxy = Auto\r\nDriveType = HDD\r\nCheckMode = Hard: MD5 Hash\r\n"
                                         "LangFolder = default\r\n"));
    const UserSettings back = UserSettingsFile::load(path);
    EXPECT_EQ(back.mainLeft, 10);
    EXPECT_TRUE(back.autoClose);
    EXPECT_EQ(back.selProxy, QStringLiteral("auto"));
}
