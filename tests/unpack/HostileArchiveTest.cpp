#include "Rar4Writer.h"
#include "Rar5Writer.h"
#include "UnpackFixture.h"

#include <unpack/TRAR.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace kaldoria::unpack;

namespace {

// Archives crafted with names and links that would reach outside the target folder. The
// target is "box/target" inside the test folder; everything else must stay as it was.
class HostileArchiveTest : public UnpackFixture {
protected:
    void SetUp() override {
        QDir().mkpath(path(QStringLiteral("box/target")));
        writeFile(QStringLiteral("box/keep.txt"), "keep");
    }

    // Extracts `archive` and checks that nothing outside the target changed.
    bool extractConfined(const QString& archive, bool restoreFolder) {
        const QStringList before = outsideTarget();
        TRAR rar;
        rar.OnError = [this](TRAR&, int code, TRAROperation operation) {
            if (operation == TRAROperation::roExtract && code == RARError::EntryRefused)
                ++refused;
            else
                ++otherErrors;
        };
        const bool result =
            rar.OpenFile(path(archive)) && rar.Extract(path(QStringLiteral("box/target")), restoreFolder);
        EXPECT_EQ(outsideTarget(), before);
        EXPECT_EQ(readFile(QStringLiteral("box/keep.txt")), QByteArray("keep"));
        return result;
    }

    QStringList outsideTarget() const {
        QStringList names = tree();
        names.removeIf([](const QString& name) { return name.startsWith(QStringLiteral("box/target/")); });
        return names;
    }

    QStringList targetTree() const { return tree(QStringLiteral("box/target")); }

    int refused = 0;
    int otherErrors = 0;
};

TEST_F(HostileArchiveTest, CraftedArchivesWithHarmlessNamesExtract) {
    Rar5Writer rar5;
    rar5.addFile(QStringLiteral("harmless.txt"), "harmless");
    rar5.addFolder(QStringLiteral("dir"));
    rar5.addFile(QStringLiteral("dir/inner.txt"), "inner");
    ASSERT_TRUE(rar5.save(path(QStringLiteral("box/rar5.rar"))));
    Rar4Writer rar4;
    rar4.addFile(QStringLiteral("win\\file.txt"), "windows");
    ASSERT_TRUE(rar4.save(path(QStringLiteral("box/rar4.rar"))));

    EXPECT_TRUE(extractConfined(QStringLiteral("box/rar5.rar"), true));
    EXPECT_TRUE(extractConfined(QStringLiteral("box/rar4.rar"), true));
    EXPECT_EQ(targetTree(), strings({"dir", "dir/inner.txt", "harmless.txt", "win", "win/file.txt"}));
    EXPECT_EQ(readFile(QStringLiteral("box/target/dir/inner.txt")), QByteArray("inner"));
    EXPECT_EQ(readFile(QStringLiteral("box/target/win/file.txt")), QByteArray("windows"));

    QDir(path(QStringLiteral("box/target"))).removeRecursively();
    QDir().mkpath(path(QStringLiteral("box/target")));
    EXPECT_TRUE(extractConfined(QStringLiteral("box/rar5.rar"), false));
    EXPECT_TRUE(extractConfined(QStringLiteral("box/rar4.rar"), false));
    EXPECT_EQ(targetTree(), strings({"file.txt", "harmless.txt", "inner.txt"}));
    EXPECT_EQ(refused + otherErrors, 0);
}

TEST_F(HostileArchiveTest, TraversalNamesAreRefusedAndTheRestExtracted) {
    const QString absolute = path(QStringLiteral("box/absolute.txt"));
    const struct {
        QString name;
        bool rar4; // a Windows RAR 4 name, "\" separated
    } cases[] = {
        {QStringLiteral("../evil.txt"), false},        {QStringLiteral("../../evil.txt"), false},
        {QStringLiteral("sub/../../evil.txt"), false}, {absolute, false},
        {QStringLiteral("C:evil.txt"), false},         {QStringLiteral(".."), false},
        {QStringLiteral("..\\evil.txt"), true},        {QStringLiteral("sub\\..\\..\\evil.txt"), true},
        {QStringLiteral("C:\\evil.txt"), true},        {QStringLiteral("\\evil.txt"), true},
    };
    for (const auto& c : cases) {
        for (const bool restoreFolder : {true, false}) {
            SCOPED_TRACE(c.name.toStdString() + (restoreFolder ? " with folders" : " flat"));
            QDir(path(QStringLiteral("box/target"))).removeRecursively();
            QDir().mkpath(path(QStringLiteral("box/target")));
            if (c.rar4) {
                Rar4Writer writer;
                writer.addFile(c.name, "evil");
                writer.addFile(QStringLiteral("good.txt"), "good");
                ASSERT_TRUE(writer.save(path(QStringLiteral("hostile.rar"))));
            } else {
                Rar5Writer writer;
                writer.addFile(c.name, "evil");
                writer.addFile(QStringLiteral("good.txt"), "good");
                ASSERT_TRUE(writer.save(path(QStringLiteral("hostile.rar"))));
            }
            refused = otherErrors = 0;

            EXPECT_FALSE(extractConfined(QStringLiteral("hostile.rar"), restoreFolder));
            EXPECT_EQ(refused, 1);
            EXPECT_EQ(otherErrors, 0);
            EXPECT_EQ(targetTree(), strings({"good.txt"}));
            EXPECT_FALSE(QFileInfo::exists(absolute));
        }
    }
}

TEST_F(HostileArchiveTest, DotNamesAreRefusedWhenFoldersAreDropped) {
    Rar5Writer writer;
    writer.addFile(QStringLiteral("."), "dot");
    writer.addFile(QStringLiteral("sub/."), "dot");
    writer.addFile(QStringLiteral("good.txt"), "good");
    ASSERT_TRUE(writer.save(path(QStringLiteral("dots.rar"))));
    EXPECT_FALSE(extractConfined(QStringLiteral("dots.rar"), false));
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(targetTree(), strings({"good.txt"}));
}

TEST_F(HostileArchiveTest, LinksAreNeverCreated) {
    // A crafted link out of the target, followed by a file meant to be written through it.
    Rar5Writer writer;
    writer.addSymlink(QStringLiteral("link"), QStringLiteral("../.."));
    writer.addFile(QStringLiteral("link/evil.txt"), "evil");
    writer.addFile(QStringLiteral("good.txt"), "good");
    ASSERT_TRUE(writer.save(path(QStringLiteral("crafted-link.rar"))));

    // A link stored by rar itself.
    writeFile(QStringLiteral("src/real.txt"), "real");
    ASSERT_TRUE(QFile::link(QStringLiteral("/etc/hostname"), path(QStringLiteral("src/alink"))));
    ASSERT_TRUE(rar(QStringLiteral("rar-link.rar"), {QStringLiteral("alink"), QStringLiteral("real.txt")},
                    {QStringLiteral("-ol")}, QStringLiteral("src")));

    for (const bool restoreFolder : {true, false}) {
        SCOPED_TRACE(restoreFolder);
        QDir(path(QStringLiteral("box/target"))).removeRecursively();
        QDir().mkpath(path(QStringLiteral("box/target")));
        refused = otherErrors = 0;
        EXPECT_FALSE(extractConfined(QStringLiteral("crafted-link.rar"), restoreFolder));
        EXPECT_EQ(refused, 1);
        EXPECT_FALSE(QFileInfo(path(QStringLiteral("box/target/link"))).isSymLink());
        EXPECT_EQ(readFile(QStringLiteral("box/target/good.txt")), QByteArray("good"));

        refused = otherErrors = 0;
        EXPECT_FALSE(extractConfined(QStringLiteral("rar-link.rar"), restoreFolder));
        EXPECT_EQ(refused, 1);
        EXPECT_FALSE(QFileInfo(path(QStringLiteral("box/target/alink"))).isSymLink());
        EXPECT_EQ(readFile(QStringLiteral("box/target/real.txt")), QByteArray("real"));
    }
}

} // namespace
