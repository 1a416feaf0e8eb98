#include "platform/ClientPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kaldoria::platform::ClientPath;

namespace {

struct NameCase {
    const char* name;
    bool confined;
};

const NameCase kNames[] = {
    {"\\system\\kd.ini", true},
    {"\\kaldoria", true},
    {"system\\data\\a.dat", true},
    {"\\a..b\\c...d", true},
    {"\\..\\outside.txt", false},
    {"\\system\\..\\..\\outside.txt", false},
    {"..", false},
    {"\\system\\.. \\x", false},
    {"\\system\\...\\x", false},
    {"/etc/passwd", false},
    {"\\\\server\\share\\x", false},
    {"//server/share", false},
    {"C:\\Windows\\x.dll", false},
    {"\\c:x", false},
    {"\\file.txt:stream", false},
    {"", false},
    {"\\", false},
    {"\\a\tb", false},
    {"\\.", false},
    {"\\system\\.", false},
    {"\\.\\kd.exe", true},
};

} // namespace

TEST(ClientPathTest, RefusesEveryNameThatLeavesTheClientFolder) {
    for (const NameCase& c : kNames)
        EXPECT_EQ(ClientPath::isConfined(QString::fromUtf8(c.name)), c.confined) << c.name;
}

TEST(ClientPathTest, ResolvesExistingComponentsWhateverTheirCase) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("System/Data")));
    QFile file(root.path() + QStringLiteral("/System/Data/Item.DAT"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_EQ(ClientPath::resolve(root.path(), QStringLiteral("\\system\\data\\item.dat")),
              root.path() + QStringLiteral("/System/Data/Item.DAT"));
    // Missing parts are kept as written below the last part found on disk.
    EXPECT_EQ(ClientPath::resolve(root.path(), QStringLiteral("\\SYSTEM\\new\\x.dat")),
              root.path() + QStringLiteral("/System/new/x.dat"));
}
