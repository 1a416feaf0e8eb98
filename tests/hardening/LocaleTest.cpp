#include "HardeningFixture.h"

#include <QDir>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

class LocaleTest : public HardeningFixture {};

// A player whose locale is not UTF-8 ("C", or one that is not installed) gets the files
// with names outside ASCII where the list names them, and nothing anywhere else.
TEST_F(LocaleTest, NamesOutsideAsciiLandWhereTheListSaysUnderAnyLocale) {
    UpdateServerFolder folder = clientFiles();
    folder.addFile(QStringLiteral("\\Ströme\\File_4.BIN"), "four", kDate);
    folder.addFile(QStringLiteral("\\Ströme\\Ärger\\größe.dat"), "size", kDate);
    folder.addFile(QStringLiteral("\\système.txt"), "system", kDate);
    // nginx, which decodes the percent-encoded names of the requests.
    publish(folder);
    makeLauncher(configText());
    const QStringList expectedTop = {QStringLiteral("Kaldoria"),    QStringLiteral("kd.exe"), QStringLiteral("log.err"),
                                     QStringLiteral("config.pack"), QStringLiteral("system"), QStringLiteral("Ströme"),
                                     QStringLiteral("système.txt"), QStringLiteral("updater")};
    for (const char* locale : {"C", "xx_YY.ISO-8859-1"}) {
        SCOPED_TRACE(locale);
        for (const QString& entry : QDir(m_client).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (entry != QStringLiteral("Kaldoria")) {
                ASSERT_TRUE(QFileInfo(clientFile(entry)).isDir() ? QDir(clientFile(entry)).removeRecursively()
                                                                 : QFile::remove(clientFile(entry)));
            }
        }
        m_environment = {QStringLiteral("LANG=") + QString::fromLatin1(locale),
                         QStringLiteral("LC_ALL=") + QString::fromLatin1(locale)};

        const Run result = runChecked();
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
        EXPECT_EQ(readClient(QStringLiteral("Ströme/File_4.BIN")), QByteArray("four"));
        EXPECT_EQ(readClient(QStringLiteral("Ströme/Ärger/größe.dat")), QByteArray("size"));
        EXPECT_EQ(readClient(QStringLiteral("système.txt")), QByteArray("system"));
        for (const QString& entry : QDir(m_client).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            EXPECT_TRUE(expectedTop.contains(entry)) << "unexpected client entry " << entry.toStdString();
        QStringList inFolder = QDir(clientFile(QStringLiteral("Ströme")))
                                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        inFolder.sort();
        EXPECT_EQ(inFolder, QStringList({QStringLiteral("File_4.BIN"), QStringLiteral("Ärger")}));
    }
}

} // namespace kaldoria::hardening
