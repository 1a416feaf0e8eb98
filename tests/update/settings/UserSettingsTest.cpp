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

TEST(UserSettingsTest, WritesTheNineLinesInOrderAndReadsThemBack) {
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
                                         "LangFolder = default\r\nLimitRate = 0\r\n"));
    const UserSettings back = UserSettingsFile::load(path);
    EXPECT_EQ(back.mainLeft, 10);
    EXPECT_TRUE(back.autoClose);
    EXPECT_EQ(back.selProxy, QStringLiteral("auto"));
}

// The rate limit is read in any form a player may write and saved in the shortest; a value
// that does not read is no limit.
TEST(UserSettingsTest, LimitRateRoundTrip) {
    QTemporaryDir dir;
    const struct {
        const char* line;
        qint64 rate;
        const char* saved;
    } cases[] = {
        {"LimitRate = 5M\r\n", 5 * 1024 * 1024, "LimitRate = 5M"},
        {"limitrate=1536k\n", 1536 * 1024, "LimitRate = 1536K"},
        {"LIMITRATE = 1000\n", 1000, "LimitRate = 1000"},
        {"LimitRate = 0\n", 0, "LimitRate = 0"},
        {"LimitRate = lots\n", 0, "LimitRate = 0"},
        {"LimitRate = -3M\n", 0, "LimitRate = 0"},
    };
    for (const auto& c : cases) {
        const QString path = writeFile(dir, c.line);
        const UserSettings s = UserSettingsFile::load(path);
        EXPECT_EQ(s.limitRate, c.rate) << c.line;
        ASSERT_TRUE(UserSettingsFile::save(path, s));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains(QByteArray(c.saved) + "\r\n")) << c.line;
        EXPECT_EQ(UserSettingsFile::load(path).limitRate, c.rate) << c.line;
    }
}

// Keys of a newer launcher survive a save by this one, after the known keys; lines without
// "=" do not.
TEST(UserSettingsTest, UnknownKeysAreKeptWhenSaving) {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "Resume = True\r\nleft = 5\r\nno equals sign\r\n"
                                        "  Mirrors =  a|b  \r\nLimitRate = 2M\r\n");
    ASSERT_TRUE(UserSettingsFile::save(path, UserSettingsFile::load(path)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], "Left = 5\r");
    EXPECT_EQ(lines[8], "LimitRate = 2M\r");
    EXPECT_EQ(lines[9], "Resume = True\r");
    EXPECT_EQ(lines[10], "Mirrors =  a|b\r");
    EXPECT_EQ(lines[11], "");
}
