#include "platform/TextCodec.h"
#include "startup/tConfigData.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace kaldoria::startup;
using kaldoria::platform::TextCodec;

namespace {

QByteArray readSourceFile(const QString& relative) {
    QFile file(qEnvironmentVariable("KALDORIA_SOURCE_DIR") + u'/' + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The README tells operators to strip the example's notes with one command; what that
// command leaves must be a configuration text without a single note line.
TEST(ConfigExample, TheReadmeStripCommandLeavesTheConfigurationWithoutNotes) {
    const QString readme = QString::fromUtf8(readSourceFile(u"README.md"_qs));
    const QRegularExpressionMatch documented =
        QRegularExpression(u"strip its `#` notes with `([^`]+)`"_qs).match(readme);
    ASSERT_TRUE(documented.hasMatch()) << "README.md names no strip command";
    const QString command = documented.captured(1);

    // Run from the source folder, without its "> config.txt"; a filter reads the example.
    QProcess shell;
    shell.setWorkingDirectory(qEnvironmentVariable("KALDORIA_SOURCE_DIR"));
    shell.setStandardInputFile(shell.workingDirectory() + u"/docs/config-example.txt"_qs);
    shell.start(u"sh"_qs, {u"-c"_qs, command.section(u" > "_qs, 0, 0)});
    ASSERT_TRUE(shell.waitForFinished(30000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().constData();
    QByteArray stripped = shell.readAllStandardOutput();

    for (const QString& line : TextCodec::decodeLines(stripped))
        EXPECT_FALSE(line.startsWith(u'#')) << line.toStdString();
    // The byte-order mark stays: without it the launcher reads the texts in the system's
    // 8-bit code page and the German letters break.
    EXPECT_TRUE(stripped.startsWith("\xEF\xBB\xBF"));

    tConfigData data;
    QBuffer stream(&stripped);
    stream.open(QIODevice::ReadOnly);
    data.ParseConfig(stream);
    EXPECT_EQ(data.Config.Instance, u"MyServer"_qs);
    EXPECT_EQ(data.UpdateServers.Servers.size(), 2);
    EXPECT_EQ(data.ProxyServers.Servers.size(), 3);
    ASSERT_EQ(data.LanguageCollection.List.size(), 2u);
    for (const tMyCollection::Entry& language : data.LanguageCollection.List) {
        for (const tMyCollection::Entry& line : language.object->List)
            EXPECT_TRUE(line.text.front().isDigit()) << line.text.toStdString();
    }
    EXPECT_TRUE(data.LanguageCollection.List[1].object->List[2].text == u"2=[Gepr\u00fcft ]"_qs);

    // The example's own note shows the same command.
    EXPECT_TRUE(QString::fromUtf8(readSourceFile(u"docs/config-example.txt"_qs)).contains(command));
}
