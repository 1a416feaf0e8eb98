#include <unpack/ArchiveEntryName.h>

#include <gtest/gtest.h>

using kaldoria::unpack::ArchiveEntryName;

namespace {

TEST(ArchiveEntryNameTest, RefusesNamesThatLeaveTheTargetFolder) {
    const struct {
        const char* name;
        bool refusedWithFolders;
        bool refusedFlat;
    } cases[] = {
        {"file.dat", false, false},
        {"data/sub/file.dat", false, false},
        {"data\\sub\\file.dat", false, false},
        {"./file.dat", false, false},
        {"a..b/c..", false, false}, // dots inside a name are harmless
        {"../evil.txt", true, true},
        {"..\\evil.txt", true, true},
        {"data/../../evil.txt", true, true},
        {"data/..", true, true},
        {"/etc/evil.txt", true, true},
        {"\\evil.txt", true, true},
        {"\\\\server\\share\\evil.txt", true, true},
        {"C:/evil.txt", true, true},
        {"c:evil.txt", true, true},
        {"..", true, true},
        {".", true, true},
        {"", true, true},
        {"data/", false, true},  // a folder name: fine below the target, no file name when flat
        {"data/.", false, true}, // the same folder once more
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(ArchiveEntryName::refusal(name, true).has_value(), c.refusedWithFolders);
        EXPECT_EQ(ArchiveEntryName::refusal(name, false).has_value(), c.refusedFlat);
    }
}

TEST(ArchiveEntryNameTest, LastComponentAndComponentsTreatBothSeparatorsAlike) {
    EXPECT_EQ(ArchiveEntryName::lastComponent(QStringLiteral("data\\sub/file.dat")), QStringLiteral("file.dat"));
    EXPECT_EQ(ArchiveEntryName::lastComponent(QStringLiteral("file.dat")), QStringLiteral("file.dat"));
    EXPECT_EQ(ArchiveEntryName::lastComponent(QStringLiteral("data/")), QString());
    EXPECT_EQ(ArchiveEntryName::components(QStringLiteral("data\\\\sub//file.dat")),
              (QStringList{QStringLiteral("data"), QStringLiteral("sub"), QStringLiteral("file.dat")}));
}

} // namespace
