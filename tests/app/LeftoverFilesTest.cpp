#include "app/LeftoverFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kaldoria::app::LeftoverFiles;

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QStringList filesBelow(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

// The temporary files of a killed run go; the client's own files, look-alikes outside the
// work folder, and whatever a link leads to stay.
TEST(LeftoverFiles, RemovesOnlyTheLauncherTemporaries) {
    QTemporaryDir root;
    const QString client = root.filePath(QStringLiteral("client"));
    const QString outside = root.filePath(QStringLiteral("outside"));
    const QStringList leftovers = {
        QStringLiteral(".k3j9x0a1.kaldoria-part"),      QStringLiteral("Ströme/.zz.kaldoria-part"),
        QStringLiteral("system/deep/.q.kaldoria-part"), QStringLiteral("updater/$tmp.kdz"),
        QStringLiteral("updater/$tmp.12.kdz"),          QStringLiteral("updater/_part_0.tmp"),
        QStringLiteral("updater/_part_12.tmp"),         QStringLiteral("updater/Kaldoria.ini.aB3dE9"),
        QStringLiteral("updater/OldList.lst.Qx12zz"),   QStringLiteral("updater.lst.0Ab9Zz"),
    };
    const QStringList kept = {
        QStringLiteral("Kaldoria"),
        QStringLiteral("kd.exe"),
        QStringLiteral("system/.kaldoria-part"),
        QStringLiteral("system/data.kaldoria-part.pak"),
        QStringLiteral("system/$tmp.kdz"),
        QStringLiteral("system/_part_1.tmp"),
        QStringLiteral("updater/Kaldoria.ini"),
        QStringLiteral("updater/Kaldoria.lock"),
        QStringLiteral("updater/OldList.lst"),
        QStringLiteral("updater/OldList.lst.bak"),
        QStringLiteral("updater/_part_x.tmp"),
        QStringLiteral("updater/updater.lst.000000"),
        QStringLiteral("Kaldoria.ini.aB3dE9"),
        QStringLiteral("updater.lst"),
    };
    for (const QString& name : leftovers + kept)
        touch(client + QLatin1Char('/') + name);
    touch(outside + QStringLiteral("/.linked.kaldoria-part"));
    ASSERT_TRUE(QFile::link(outside, client + QStringLiteral("/linked")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/.linked.kaldoria-part"),
                            client + QStringLiteral("/.link.kaldoria-part")));

    EXPECT_EQ(LeftoverFiles::removeFrom(client), leftovers.size());
    QStringList expected = kept + QStringList{QStringLiteral(".link.kaldoria-part")};
    expected.sort();
    QStringList remaining = filesBelow(client);
    remaining.removeAll(QStringLiteral("linked/.linked.kaldoria-part"));
    EXPECT_EQ(remaining, expected);
    EXPECT_TRUE(QFile::exists(outside + QStringLiteral("/.linked.kaldoria-part")));
}
