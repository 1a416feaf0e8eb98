#include "platform/NativePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kaldoria::platform::nativePath;

TEST(NativePath, TurnsBackslashesIntoSlashesAndFindsAnyCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"Data/Maps"_qs));
    QFile file(dir.filePath(u"Data/Maps/World.MAP"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString root = dir.path();

    const std::pair<QString, QString> cases[] = {
        {root + u"\\Data\\Maps\\World.MAP"_qs, root + u"/Data/Maps/World.MAP"_qs},
        {root + u"\\data\\MAPS\\world.map"_qs, root + u"/Data/Maps/World.MAP"_qs},
        // What does not exist keeps its spelling after the last part found.
        {root + u"\\DATA\\new\\File.txt"_qs, root + u"/Data/new/File.txt"_qs},
        {u"relative\\name"_qs, u"relative/name"_qs},
        {QString(), QString()},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(nativePath(given).toStdString(), expected.toStdString());
}
