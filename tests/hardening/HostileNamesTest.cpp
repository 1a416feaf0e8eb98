#include "HardeningFixture.h"

#include "Rar5Writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

namespace {

QString listLine(const QString& name, const QByteArray& content, const QString& packedHash) {
    return UpdateServerFolder::md5(content) + QLatin1Char('|') + name + QLatin1Char('|') +
           QString::number(content.size()) + QLatin1Char('|') + UpdateServerFolder::dateField(0) + QLatin1Char('|') +
           packedHash;
}

} // namespace

class HostileNamesTest : public HardeningFixture {
protected:
    // Names that leave the client folder (towards the canary) or mean a drive, a share or a
    // stream on another system, each ending in `leaf`.
    QStringList hostileNames(const QString& leaf) const {
        const QString rootName = QFileInfo(m_root.path()).fileName();
        QString absolute = m_canary + QLatin1Char('/') + leaf;
        return {QStringLiteral("\\..\\canary\\") + leaf,
                QStringLiteral("..\\..\\") + rootName + QStringLiteral("\\canary\\") + leaf,
                QStringLiteral("/../canary/") + leaf,
                absolute,
                QStringLiteral("C:") + leaf,
                QStringLiteral("C:\\canary\\") + leaf,
                QStringLiteral("\\\\host\\share\\") + leaf,
                QStringLiteral("\\..\\canary\\") + leaf + QStringLiteral("\x01"),
                QStringLiteral("\\canary\\\t..\\") + leaf,
                QStringLiteral("\\ ..\\..\\canary\\") + leaf,
                QStringLiteral("\\.. \\canary\\") + leaf};
    }

    // A listed file whose packed form is `archive`, written as the server's file.
    void addCrafted(UpdateServerFolder& folder, const QString& name, const QByteArray& listed,
                    const QByteArray& archive) {
        const QString path = serverFile(UpdateServerFolder::serverPath(name) + QStringLiteral(".kdz"));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(archive);
        folder.addRawListLines({listLine(name, listed, UpdateServerFolder::md5(archive))});
    }

    void expectOnlyTheListedFilesInTheClient() const {
        const QStringList entries = QDir(m_client).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString& entry : entries)
            EXPECT_TRUE(
                QStringList({QStringLiteral("kd.exe"), QStringLiteral("system"), QStringLiteral("updater"),
                             QStringLiteral("Kaldoria"), QStringLiteral("log.err"), QStringLiteral("config.pack")})
                    .contains(entry))
                << "unexpected client entry " << entry.toStdString();
    }
};

// Hostile names in the file section, the required section and the deletion section are
// refused and logged; the rest of the list is installed. A packed file is served for every
// path, so a launcher that followed a name would find something to write.
TEST_F(HostileNamesTest, ListRequiredAndDeletionNamesStayInsideTheClient) {
    UpdateServerFolder folder = clientFiles();
    const QString fallback = m_root.filePath(QStringLiteral("escape.kdz"));
    ASSERT_TRUE(UpdateServerFolder::packFile(QStringLiteral("x"), "escaped", fallback));
    const QString packedHash = fileDigest(fallback);
    QStringList lines;
    for (const QString& name : hostileNames(QStringLiteral("x")))
        lines << listLine(name, "escaped", packedHash);
    folder.addRawListLines(lines);
    folder.setRequired(hostileNames(QStringLiteral("x")));
    folder.setDelete(hostileNames(QStringLiteral("victim.txt")) + hostileNames(QStringLiteral("sub")));
    QJsonObject rules;
    rules[QStringLiteral("!fallback")] = fallback;
    serve(folder, rules);

    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("Update done"));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(oldListNames(), QStringList({QStringLiteral("kd.exe"), QStringLiteral("system/data.pak")}));
    EXPECT_TRUE(readClient(QStringLiteral("log.err")).contains("Refused name outside the client folder"));
    expectOnlyTheListedFilesInTheClient();
}

// Archive entries that climb out of the folder, are absolute, or are links are never
// written; the file they were meant to bring fails and is not recorded.
TEST_F(HostileNamesTest, ArchiveTraversalAndLinkEntriesAreRefused) {
    UpdateServerFolder folder = clientFiles();
    Rar5Writer traversal;
    traversal.addFile(QStringLiteral("../canary/x"), "escaped");
    traversal.addFile(QStringLiteral("..\\..\\canary\\x"), "escaped", Rar5Writer::Host::Windows);
    addCrafted(folder, QStringLiteral("\\traversal.dat"), "escaped", traversal.archive());
    Rar5Writer absolute;
    absolute.addFile(canaryFile(QStringLiteral("x")), "escaped");
    addCrafted(folder, QStringLiteral("\\absolute.dat"), "escaped", absolute.archive());
    Rar5Writer link;
    link.addSymlink(QStringLiteral("link.dat"), canaryFile(QStringLiteral("victim.txt")));
    addCrafted(folder, QStringLiteral("\\link.dat"), "escaped", link.archive());
    // A link first and then a file of the same name: the file must not be written through it.
    Rar5Writer linkThenFile;
    linkThenFile.addSymlink(QStringLiteral("through.dat"), canaryFile(QStringLiteral("victim.txt")));
    linkThenFile.addFile(QStringLiteral("through.dat"), "escaped");
    addCrafted(folder, QStringLiteral("\\through.dat"), "escaped", linkThenFile.archive());
    serve(folder);

    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    for (const QString& name : {QStringLiteral("traversal.dat"), QStringLiteral("absolute.dat"),
                                QStringLiteral("link.dat"), QStringLiteral("through.dat")}) {
        EXPECT_FALSE(oldListNames().contains(name)) << name.toStdString();
        EXPECT_FALSE(QFileInfo(clientFile(name)).isSymLink()) << name.toStdString();
    }
}

// Links planted in the client folder where the update writes or deletes: the link itself is
// replaced or removed, and what it points at is never touched.
TEST_F(HostileNamesTest, PlantedLinksAreReplacedOrRemovedNeverFollowed) {
    UpdateServerFolder folder = clientFiles();
    folder.addFile(QStringLiteral("\\linked\\new.dat"), "new data", kDate);
    // Required, so that the file behind the link is rewritten whatever the check finds.
    folder.setRequired({QStringLiteral("\\system\\data.pak")});
    folder.setDelete({QStringLiteral("\\obsolete.dll"), QStringLiteral("\\gone\\keep.dat")});
    serve(folder);
    QDir().mkpath(clientFile(QStringLiteral("system")));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("victim.txt")), clientFile(QStringLiteral("system/data.pak"))));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("sub/keep.dat")), clientFile(QStringLiteral("obsolete.dll"))));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("sub")), clientFile(QStringLiteral("linked"))));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("sub")), clientFile(QStringLiteral("gone"))));
    // The settings file and "OldList.lst" are written with a rename over their name.
    QDir().mkpath(clientFile(QStringLiteral("updater")));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("x")), clientFile(QStringLiteral("updater/OldList.lst"))));
    ASSERT_TRUE(QFile::link(canaryFile(QStringLiteral("x")), clientFile(QStringLiteral("updater/Kaldoria.ini"))));

    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_FALSE(QFileInfo(clientFile(QStringLiteral("system/data.pak"))).isSymLink());
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), noise(300000));
    EXPECT_FALSE(QFileInfo(clientFile(QStringLiteral("obsolete.dll"))).isSymLink());
    EXPECT_FALSE(QFileInfo(clientFile(QStringLiteral("linked"))).isSymLink());
    EXPECT_EQ(readClient(QStringLiteral("linked/new.dat")), QByteArray("new data"));
    EXPECT_FALSE(QFileInfo(clientFile(QStringLiteral("updater/OldList.lst"))).isSymLink());
    EXPECT_FALSE(QFileInfo(clientFile(QStringLiteral("updater/Kaldoria.ini"))).isSymLink());
}

} // namespace kaldoria::hardening
