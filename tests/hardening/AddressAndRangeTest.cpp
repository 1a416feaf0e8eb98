#include "HardeningFixture.h"

#include "PlainHttpServer.h"

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

class AddressAndRangeTest : public HardeningFixture {};

// Names with characters that an address must encode (a blank, "#", "?", "%", "+", letters
// beyond ASCII) are fetched and installed like any other.
TEST_F(AddressAndRangeTest, NamesThatNeedEncodingAreInstalled) {
    const QStringList names = {QStringLiteral("\\a b.txt"),
                               QStringLiteral("\\x#y.dat"),
                               QStringLiteral("\\q?.dat"),
                               QStringLiteral("\\100%.dat"),
                               QStringLiteral("\\c++.txt"),
                               QString::fromUtf8("\\Str\xC3\xB6me\\Datei \xC3\xA4.bin"),
                               QString::fromUtf8("\\\xE6\x97\xA5\xE6\x9C\xAC.dat")};
    UpdateServerFolder folder;
    for (int i = 0; i < names.size(); ++i)
        folder.addFile(names[i], noise(1000 + i, quint32(i)), kDate);
    publish(folder);
    makeLauncher(configText());

    // The fixture's own list checks read "OldList.lst" as Latin-1; the launcher writes the
    // system's encoding (UTF-8 here), so the record of each name is looked up as such.
    const Run result = run({QStringLiteral("--headless")});
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    const QString oldList = QString::fromUtf8(readClient(QStringLiteral("updater/OldList.lst")));
    for (int i = 0; i < names.size(); ++i) {
        const QString path = UpdateServerFolder::serverPath(names[i]);
        EXPECT_TRUE(readClient(path) == noise(1000 + i, quint32(i))) << path.toStdString();
        EXPECT_TRUE(oldList.contains(u'|' + names[i] + u'|')) << path.toStdString();
    }
}

// A server that offers no byte ranges and answers every range with the whole file (Python's
// own file server) still updates the client: each packed file is fetched whole.
TEST_F(AddressAndRangeTest, ServerWithoutRangesUpdatesTheClient) {
    ASSERT_TRUE(clientFiles().publish(m_server));
    testsupport::PlainHttpServer server(m_server);
    ASSERT_TRUE(server.start());
    makeLauncher(configText({server.url()}));

    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_TRUE(readClient(QStringLiteral("system/data.pak")) == noise(300000));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_TRUE(leftovers(m_client).isEmpty()) << leftovers(m_client).join(u' ').toStdString();
}

} // namespace kaldoria::hardening
