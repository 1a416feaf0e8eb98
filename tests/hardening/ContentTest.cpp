#include "HardeningFixture.h"

#include <QFile>

using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::hardening {

namespace {

constexpr auto kPacked = "/system/data.pak.kdz";

QJsonObject rule(const QString& fault, int times = -1) {
    QJsonObject r;
    r[QStringLiteral("fault")] = fault;
    if (times >= 0)
        r[QStringLiteral("times")] = times;
    return r;
}

} // namespace

class ContentTest : public HardeningFixture {
protected:
    void replaceServerFile(const QString& relative, const QByteArray& bytes) {
        QFile file(serverFile(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // A run that found no usable list: code 1, the "no update server" text, nothing fetched.
    void expectNoList(const Run& result) {
        EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
        EXPECT_TRUE(result.output.contains("No update server")) << result.output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));
        EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("updater.lst"))));
        EXPECT_TRUE(leftovers(m_client).isEmpty()) << leftovers(m_client).join(u' ').toStdString();
    }
};

// The packed file arrives damaged on the first attempt (both of its segments) and whole on
// the second: it is installed.
TEST_F(ContentTest, PackedHashMismatchThatHealsOnRetry) {
    QJsonObject rules;
    rules[QLatin1String(kPacked)] = rule(QStringLiteral("corrupt"), 2);
    serve(clientFiles(), rules);
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), noise(300000));
}

// Every attempt arrives damaged: after three attempts the file fails, is not recorded, and
// its packed form is not left behind.
TEST_F(ContentTest, PackedHashMismatchThatNeverHeals) {
    QJsonObject rules;
    rules[QLatin1String(kPacked)] = rule(QStringLiteral("corrupt"));
    serve(clientFiles(), rules);
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("system/data.pak"))));
    EXPECT_FALSE(oldListNames().contains(QStringLiteral("system/data.pak")));
    EXPECT_EQ(readClient(QStringLiteral("kd.exe")), QByteArray("game program"));
    EXPECT_TRUE(leftovers(m_client).isEmpty()) << leftovers(m_client).join(u' ').toStdString();
}

TEST_F(ContentTest, DamagedPackedList) {
    serve(clientFiles());
    QByteArray packed = UpdateServerFolder::packList("0123|\\kd.exe|1|0|0\r\n");
    packed.truncate(packed.size() - 8);
    packed.append("damaged!");
    replaceServerFile(QStringLiteral("updater.lst.kdz"), packed);
    expectNoList(runChecked());
}

// A small packed list that unpacks to more than the 64 MiB list limit is refused whole.
TEST_F(ContentTest, PackedListBombIsCutAtTheListLimit) {
    serve(clientFiles());
    replaceServerFile(QStringLiteral("updater.lst.kdz"), UpdateServerFolder::packList(QByteArray(80 << 20, '\n')));
    expectNoList(runChecked());
}

// An archive whose file unpacks to far more than the list says: extraction stops at the
// listed size, the file fails and nothing of it stays.
TEST_F(ContentTest, ArchiveThatExpandsBeyondTheListedSize) {
    UpdateServerFolder folder = clientFiles();
    folder.addFile(QStringLiteral("\\big.dat"), "small", kDate);
    serve(folder);
    const QString archive = serverFile(QStringLiteral("big.dat.kdz"));
    ASSERT_TRUE(UpdateServerFolder::packFile(QStringLiteral("big.dat"), QByteArray(64 << 20, '\0'), archive));
    // The list names the bomb's digest as the packed digest, so only its size gives it away.
    const QStringList lines = folder.listLines(m_server);
    replaceServerFile(QStringLiteral("updater.lst.kdz"),
                      UpdateServerFolder::packList(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n"));
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("big.dat"))));
    EXPECT_FALSE(oldListNames().contains(QStringLiteral("big.dat")));
    EXPECT_TRUE(leftovers(m_client).isEmpty()) << leftovers(m_client).join(u' ').toStdString();
    EXPECT_EQ(readClient(QStringLiteral("system/data.pak")), noise(300000));
}

} // namespace kaldoria::hardening
