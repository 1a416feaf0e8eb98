#include "update/manifest/UpdateListSections.h"

#include <gtest/gtest.h>

using kaldoria::update::UpdateListSections;

namespace {

QString fileLine(const char* name) {
    return QStringLiteral("0123456789ABCDEF0123456789ABCDEF|") + QString::fromUtf8(name) +
           QStringLiteral("|5|0000000000000000|00000000000000000000000000000000");
}

} // namespace

TEST(UpdateListSectionsTest, SplitsTheThreeSectionsAndSkipsBlankLines) {
    const QStringList lines = {fileLine("\\a.dat"),
                               QString(),
                               QStringLiteral("   "),
                               fileLine("\\System\\B.dat"),
                               QStringLiteral("  # required"),
                               QStringLiteral(" \\System\\B.DAT "),
                               QString(),
                               QStringLiteral("@ delete"),
                               QStringLiteral("\\Old.txt")};
    const UpdateListSections s = UpdateListSections::split(lines);
    EXPECT_EQ(s.fileLines, (QStringList{fileLine("\\a.dat"), fileLine("\\System\\B.dat")}));
    EXPECT_EQ(s.requiredNames, QStringList{QStringLiteral("\\system\\b.dat")});
    EXPECT_EQ(s.deleteNames, QStringList{QStringLiteral("\\old.txt")});
    EXPECT_TRUE(s.refused.isEmpty());
}

TEST(UpdateListSectionsTest, WithoutMarkersEverythingIsFileLinesOrRequired) {
    // Before a "#" line, a line starting with "@" is a file line like any other.
    const QString atLine = QStringLiteral("@123456789ABCDEF0123456789ABCDEF|\\b.dat|1||");
    EXPECT_EQ(UpdateListSections::split({fileLine("\\a"), atLine}).fileLines, (QStringList{fileLine("\\a"), atLine}));
    const UpdateListSections s =
        UpdateListSections::split({QStringLiteral("#"), QStringLiteral("\\a"), QStringLiteral("\\b")});
    EXPECT_EQ(s.requiredNames, (QStringList{QStringLiteral("\\a"), QStringLiteral("\\b")}));
    EXPECT_TRUE(s.deleteNames.isEmpty());
}

TEST(UpdateListSectionsTest, RefusesHostileNamesInEverySection) {
    const QStringList lines = {fileLine("\\..\\evil.dll"),
                               fileLine("\\good.dat"),
                               fileLine("C:\\x.dat"),
                               fileLine("\\Updater\\OldList.lst"),
                               fileLine("\\data\\updater\\ok.dat"),
                               QStringLiteral("#"),
                               QStringLiteral("\\..\\..\\etc\\passwd"),
                               QStringLiteral("\\updater\\kaldoria.ini"),
                               QStringLiteral("@"),
                               QStringLiteral("/etc/hosts"),
                               QStringLiteral("\\keep\\..\\..\\x"),
                               QStringLiteral("\\updater\\kaldoria.lock")};
    const UpdateListSections s = UpdateListSections::split(lines);
    EXPECT_EQ(s.fileLines, (QStringList{fileLine("\\good.dat"), fileLine("\\data\\updater\\ok.dat")}));
    EXPECT_TRUE(s.requiredNames.isEmpty());
    EXPECT_TRUE(s.deleteNames.isEmpty());
    EXPECT_EQ(s.refused.size(), 8);
}

TEST(UpdateListSectionsTest, NameAfterHashSkipsThe33Characters) {
    EXPECT_EQ(UpdateListSections::nameAfterHash(QStringLiteral("  ") + fileLine("\\dir\\f.dat")),
              QStringLiteral("\\dir\\f.dat"));
    EXPECT_EQ(UpdateListSections::nameField(QStringLiteral("short|\\n.dat|1")), QStringLiteral("\\n.dat"));
}
