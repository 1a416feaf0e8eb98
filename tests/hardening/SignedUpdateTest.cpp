#include "SignedUpdateFixture.h"

namespace kaldoria::hardening {

struct ListRefusal {
    const char* name;
    void (SignedUpdateTest::*arrange)();
    const char* reason;

    friend void PrintTo(const ListRefusal& refusal, std::ostream* out) { *out << refusal.name; }
};

class SignedListRefusalTest : public SignedUpdateTest, public ::testing::WithParamInterface<ListRefusal> {};

// A list the launcher cannot trust is not used at all: the launcher says why and that it had
// no list, changes no client file, and ends with exit code 1.
TEST_P(SignedListRefusalTest, RefusesTheWholeList) {
    startServer();
    makeTrustingLauncher();
    ASSERT_NO_FATAL_FAILURE((this->*GetParam().arrange)());
    const QByteArray oldList = readClient(latin1("updater/OldList.lst"));
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("Failed: updater.lst.kdz: ")) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains(GetParam().reason)) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("No update server")) << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(clientFile(latin1("kd.exe"))));
    EXPECT_FALSE(QFileInfo::exists(clientFile(latin1("updater.lst"))));
    EXPECT_EQ(readClient(latin1("updater/OldList.lst")), oldList);
    EXPECT_TRUE(readClient(latin1("log.err")).contains(GetParam().reason));
    EXPECT_EQ(workFilesLeft(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignedListRefusalTest,
    ::testing::Values(
        ListRefusal{"ListChangedAfterSigning", &SignedUpdateTest::listChangedAfterSigning, "the list has SHA-256"},
        ListRefusal{"Expired", &SignedUpdateTest::expiredManifest, "it expired at"},
        ListRefusal{"UnknownKey", &SignedUpdateTest::unknownKey, "not trusted"},
        ListRefusal{"Missing", &SignedUpdateTest::missingManifest, "updater.sig: "},
        ListRefusal{"OlderReplayed", &SignedUpdateTest::olderManifestReplayed, "is older than the serial"}),
    [](const ::testing::TestParamInfo<ListRefusal>& info) { return std::string(info.param.name); });

// The operator's tool and the launcher agree: a launcher trusting two keys takes an update
// signed by one of them, keeps the serial, and leaves no work files behind.
TEST_F(SignedUpdateTest, GoodSignedUpdateIsInstalled) {
    publishSource();
    makeTrustingLauncher({latin1("other"), latin1("op")});
    const Run result = runChecked();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(latin1("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(readClient(latin1("system/data.pak")), noise(300000));
    EXPECT_TRUE(requests().contains(latin1("/updater.sig")));
    EXPECT_TRUE(readClient(latin1("updater/trust.state")).startsWith("kaldoria-trust-state 1\nserial "));
    EXPECT_EQ(workFilesLeft(), QStringList());
    const Run again = runChecked();
    EXPECT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_TRUE(again.output.contains("Client is up to date")) << again.output.toStdString();
}

// The list carries no MD5 for the packed file (32 zeros, nothing to compare), so only the
// signed SHA-256 can tell the operator's archive from the one the server swapped in.
TEST_F(SignedUpdateTest, SwappedPackedFileWithTheSameListFieldIsRefused) {
    publishSource();
    QByteArray list = readFileBytes(serverFile(latin1("updater.lst")));
    const qsizetype line = list.indexOf("|\\system\\data.pak|");
    const qsizetype end = list.indexOf("\r\n", line);
    ASSERT_GT(line, 0);
    list.replace(end - 32, 32, QByteArray(32, '0'));
    resign([](trust::ManifestData&) {}, list);
    ASSERT_TRUE(
        UpdateServerFolder::packFile(latin1("data.pak"), noise(300000, 9), serverFile(latin1("system/data.pak.kdz"))));
    makeTrustingLauncher();
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("Failed: \\system\\data.pak: SHA-256 mismatch")) << result.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(clientFile(latin1("system/data.pak"))));
    EXPECT_EQ(readClient(latin1("kd.exe")), QByteArray("game program"));
    EXPECT_EQ(workFilesLeft(), QStringList());
}

// A self-update happens only to a program the operator signed: a launcher the manifest does
// not name, or whose extracted bytes differ from the signed ones, never replaces the running
// one, and no restart follows.
TEST_F(SignedUpdateTest, SelfUpdateToAnUnsignedProgramIsRefused) {
    startServer();
    const QString newProgram = m_root.filePath(latin1("new/Kaldoria"));
    QDir().mkpath(QFileInfo(newProgram).path());
    makeLauncher(configText({}, latin1("[mainwindow]\ncaption=New")), newProgram);
    setSource(latin1("Kaldoria"), readFileBytes(newProgram));
    const struct {
        const char* what;
        std::function<void(trust::ManifestData&)> change;
        const char* reason;
    } cases[] = {
        {"not named", [](trust::ManifestData& d) { dropFile(d, latin1("\\Kaldoria")); },
         "the signed manifest does not name this file"},
        {"other bytes",
         [](trust::ManifestData& d) {
             for (trust::ManifestFile& f : d.files)
                 if (f.name == latin1("\\Kaldoria"))
                     f.unpacked = trust::Sha256::of("another program");
         },
         "the extracted file has"},
    };
    for (const auto& c : cases) {
        publishSource("op", {latin1("--required"), latin1("Kaldoria")});
        resign(c.change);
        makeTrustingLauncher();
        const QByteArray running = readClient(latin1("Kaldoria"));
        const Run result = runChecked();
        EXPECT_EQ(result.exitCode, 1) << c.what << result.output.toStdString();
        EXPECT_TRUE(result.output.contains("Failed: \\Kaldoria: ")) << c.what << result.output.toStdString();
        EXPECT_TRUE(result.output.contains(c.reason)) << c.what << result.output.toStdString();
        EXPECT_EQ(readClient(latin1("Kaldoria")), running) << c.what;
        EXPECT_FALSE(QFileInfo::exists(clientFile(latin1("Kaldoria.bak")))) << c.what;
        EXPECT_EQ(readClient(latin1("kd.exe")), QByteArray("game program")) << c.what;
        EXPECT_EQ(workFilesLeft(), QStringList()) << c.what;
        QFile::remove(clientFile(latin1("kd.exe")));
    }
}

// A manifest that names a next key hands the launcher's trust over to it: the next
// publication signed with the new key is taken, one signed with the old key no longer.
TEST_F(SignedUpdateTest, RotatedKeyReplacesTheLauncherKey) {
    publishSource("op", {latin1("--next-key"), keyFile("next", ".pub")});
    makeTrustingLauncher();
    const Run first = runChecked();
    ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();

    setSource(latin1("kd.exe"), "game program 2");
    publishSource("next");
    const QStringList checkAll = {latin1("--check-all")};
    const Run second = runChecked(checkAll);
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_EQ(readClient(latin1("kd.exe")), QByteArray("game program 2"));

    setSource(latin1("kd.exe"), "game program 3");
    publishSource("op");
    const Run third = runChecked(checkAll);
    EXPECT_EQ(third.exitCode, 1) << third.output.toStdString();
    EXPECT_TRUE(third.output.contains("not trusted")) << third.output.toStdString();
    EXPECT_EQ(readClient(latin1("kd.exe")), QByteArray("game program 2"));
}

} // namespace kaldoria::hardening
