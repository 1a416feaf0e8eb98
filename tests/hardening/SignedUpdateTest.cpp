#include "HardeningFixture.h"

#include "TestFiles.h"

#include "trust/SignedManifest.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <functional>

namespace kaldoria::hardening {

namespace {

using testsupport::readFileBytes;
using testsupport::UpdateServerFolder;
using testsupport::writeFileBytes;

QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

void copyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
        QDir().mkpath(QFileInfo(target).path());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

} // namespace

// A launcher that trusts operator keys, and a client folder that the operator publishes with
// `kaldoria-pack publish --sign` to nginx. Keys "op", "next" and "other" are made by keygen.
class SignedUpdateTest : public HardeningFixture {
public:
    void SetUp() override {
        HardeningFixture::SetUp();
        QDir().mkpath(m_root.filePath(latin1("keys")));
        for (const char* name : {"op", "next", "other"})
            ASSERT_TRUE(pack({latin1("keygen"), latin1("-o"), m_root.filePath(latin1("keys/") + latin1(name))}));
        setSource(latin1("kd.exe"), "game program");
        setSource(latin1("system/data.pak"), noise(300000));
    }

    QString keyFile(const char* name, const char* suffix) const {
        return m_root.filePath(latin1("keys/") + latin1(name) + latin1(suffix));
    }
    void setSource(const QString& relative, const QByteArray& bytes) const {
        const QString path = m_root.filePath(latin1("source/") + relative);
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(writeFileBytes(path, bytes));
    }
    // Publishes the source folder, signed with `signer` unless it is null, and starts nginx.
    void publishSource(const char* signer = "op", const QStringList& extra = {}) {
        QStringList arguments = {latin1("publish"), m_root.filePath(latin1("source")), latin1("-o"), m_server};
        if (signer)
            arguments << latin1("--sign") << keyFile(signer, ".key");
        ASSERT_TRUE(pack(arguments + extra));
        startServer();
    }
    // Makes the client's launcher, carrying the public keys `keys` joined in one resource.
    void makeTrustingLauncher(const QStringList& keys = {latin1("op")}) {
        makeLauncher(configText());
        QByteArray joined;
        for (const QString& key : keys)
            joined += readFileBytes(keyFile(key.toLatin1().constData(), ".pub"));
        const QString resource = m_root.filePath(latin1("keys/trusted.pem"));
        ASSERT_TRUE(writeFileBytes(resource, joined));
        const QString launcher = clientFile(latin1("Kaldoria"));
        ASSERT_TRUE(pack(
            {latin1("attach"), launcher, latin1("-o"), launcher, latin1("--resource"), latin1("trust=") + resource}));
    }
    // Signs the server's manifest again with "op" after `change`; with `listText`, the server's
    // list is first replaced by it and the manifest signs the new list.
    void resign(const std::function<void(trust::ManifestData&)>& change, const QByteArray& listText = {}) {
        const QString manifestPath = serverFile(latin1("updater.sig"));
        const trust::Result<trust::ParsedManifest> parsed = trust::SignedManifest::parse(readFileBytes(manifestPath));
        ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
        trust::ManifestData data = parsed.value().data;
        if (!listText.isEmpty()) {
            ASSERT_TRUE(writeFileBytes(serverFile(latin1("updater.lst.kdz")), UpdateServerFolder::packList(listText)));
            data.list = trust::Sha256::of(listText);
        }
        change(data);
        const trust::Result<trust::SigningKey> key = trust::SigningKey::readPem(keyFile("op", ".key"));
        ASSERT_TRUE(key.ok()) << key.error().toStdString();
        const trust::Result<QByteArray> bytes = trust::SignedManifest::serialize(data, key.value());
        ASSERT_TRUE(bytes.ok()) << bytes.error().toStdString();
        ASSERT_TRUE(writeFileBytes(manifestPath, bytes.value()));
    }
    static void dropFile(trust::ManifestData& data, const QString& name) {
        std::erase_if(data.files,
                      [&](const trust::ManifestFile& f) { return f.name.compare(name, Qt::CaseInsensitive) == 0; });
    }

    // Work files of signed installs that must not outlive a run: packed files and the
    // manifest in the work folder, refused extractions anywhere in the client.
    QStringList workFilesLeft() const {
        QStringList left =
            QDir(clientFile(latin1("updater"))).entryList({latin1("$tmp*"), latin1("*.sig")}, QDir::AllEntries);
        QDirIterator files(clientFile(latin1(".")), {latin1("*.kaldoria-part")}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            left << files.next();
        return left;
    }

    // The refusals of a whole list: each arranges the server (and may run the launcher once).
    void listChangedAfterSigning() {
        publishSource();
        setSource(latin1("kd.exe"), "changed program");
        publishSource(nullptr); // the list is written again, "updater.sig" stays as it was
    }
    void expiredManifest() {
        publishSource();
        resign([](trust::ManifestData& d) { d.expires = QDateTime::currentSecsSinceEpoch() - 60; });
    }
    void unknownKey() { publishSource("other"); }
    void missingManifest() {
        publishSource();
        ASSERT_TRUE(QFile::remove(serverFile(latin1("updater.sig"))));
    }
    // The operator publishes twice; after the launcher took the newer publication, the server
    // serves the older one again, unchanged and validly signed.
    void olderManifestReplayed() {
        publishSource();
        const QString old = m_root.filePath(latin1("old-server"));
        copyFolder(m_server, old);
        setSource(latin1("system/data.pak"), noise(300000, 2));
        publishSource();
        const Run newer = runChecked();
        ASSERT_EQ(newer.exitCode, 0) << newer.output.toStdString();
        // The client as before its first run, but for the state its launcher keeps.
        QFile::remove(clientFile(latin1("kd.exe")));
        QFile::remove(clientFile(latin1("updater/OldList.lst")));
        copyFolder(old, m_server);
    }
};

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
