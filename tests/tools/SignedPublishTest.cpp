#include "PackFixture.h"

#include <chunks/ChunkIndex.h>
#include <chunks/ChunkStore.h>
#include <trust/SignedManifest.h>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kaldoria;

namespace {

using packtest::readFile;
using packtest::writeFile;

constexpr qint64 kDay = 24 * 60 * 60;

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

void copyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
        QDir().mkpath(QFileInfo(target).path());
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

// A client folder, two operator keys made with keygen, and the client published signed once.
class SignedPublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(path("client/kd.ini"), "[game]\r\nserver=1\r\n");
        QByteArray data(200000, Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char(i * 7919 >> 5);
        writeFile(path("client/data/sub/x.dat"), data);
        writeFile(path("client/Data2/Mixed Case.txt"), "mixed");
        for (const char* name : {"op", "other"}) {
            const packtest::RunResult keygen = packtest::pack({text("keygen"), text("-o"), path(name)});
            ASSERT_EQ(keygen.exitCode, 0) << keygen.err.toStdString();
        }
    }

    QString path(const char* relative) const { return dir.filePath(text(relative)); }

    packtest::RunResult publishSigned(const QString& server, const QStringList& extra = {}) const {
        return packtest::pack(
            QStringList{text("publish"), path("client"), text("-o"), server, text("--sign"), path("op.key")} + extra);
    }
    packtest::RunResult verify(const QString& server, const char* key = "op.pub") const {
        return packtest::pack({text("verify"), server, text("--key"), path(key)});
    }

    trust::ParsedManifest manifestOf(const QString& server) const {
        const trust::Result<trust::ParsedManifest> parsed =
            trust::SignedManifest::parse(readFile(QDir(server).filePath(text("updater.sig"))));
        EXPECT_TRUE(parsed.ok()) << parsed.error().toStdString();
        return parsed.value();
    }
    // Rewrites the manifest of `server` with changed data, signed with the operator's key.
    void resign(const QString& server, const std::function<void(trust::ManifestData&)>& change) const {
        trust::ManifestData data = manifestOf(server).data;
        change(data);
        const trust::Result<trust::SigningKey> key = trust::SigningKey::readPem(path("op.key"));
        ASSERT_TRUE(key.ok()) << key.error().toStdString();
        const trust::Result<QByteArray> bytes = trust::SignedManifest::serialize(data, key.value());
        ASSERT_TRUE(bytes.ok()) << bytes.error().toStdString();
        writeFile(QDir(server).filePath(text("updater.sig")), bytes.value());
    }

    QTemporaryDir dir;
};

TEST_F(SignedPublishTest, KeygenWritesAnOwnerOnlyKeyAndNeverOverwritesEitherFile) {
    EXPECT_EQ(QFileInfo(path("op.key")).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(trust::SigningKey::readPem(path("op.key")).ok());
    EXPECT_TRUE(trust::TrustedKey::readPem(path("op.pub")).ok());

    const QByteArray key = readFile(path("op.key"));
    const QByteArray pub = readFile(path("op.pub"));
    const packtest::RunResult again = packtest::pack({text("keygen"), text("-o"), path("op")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("exists already")) << again.err.toStdString();
    EXPECT_EQ(readFile(path("op.key")), key);
    EXPECT_EQ(readFile(path("op.pub")), pub);

    // A public key alone is not replaced either, and no private key appears beside it.
    writeFile(path("lone.pub"), "operator's old key");
    EXPECT_EQ(packtest::pack({text("keygen"), text("-o"), path("lone")}).exitCode, 1);
    EXPECT_EQ(readFile(path("lone.pub")), QByteArray("operator's old key"));
    EXPECT_FALSE(QFileInfo::exists(path("lone.key")));
}

TEST_F(SignedPublishTest, SignedFolderVerifiesAndCoversEveryListedFile) {
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const packtest::RunResult published = publishSigned(path("server"), {text("--next-key"), path("other.pub")});
    ASSERT_EQ(published.exitCode, 0) << published.err.toStdString();
    const packtest::RunResult verified = verify(path("server"));
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    EXPECT_TRUE(verified.out.contains("good")) << verified.out.toStdString();

    const trust::ParsedManifest manifest = manifestOf(path("server"));
    const trust::ManifestData& data = manifest.data;
    EXPECT_GE(data.serial, before);
    EXPECT_GE(data.expires, before + 30 * kDay);
    EXPECT_LE(data.expires, data.serial + 30 * kDay + 3600);
    EXPECT_EQ(data.list, trust::Sha256::of(readFile(path("server/updater.lst"))));
    ASSERT_EQ(data.nextKeys.size(), 1u);
    EXPECT_EQ(data.nextKeys[0], trust::TrustedKey::readPem(path("other.pub")).value());

    const QHash<QString, trust::ManifestFile> files = data.filesByName();
    EXPECT_EQ(files.size(), 3);
    const trust::ManifestFile& ini = files[text("\\kd.ini")];
    EXPECT_EQ(ini.name, text("\\kd.ini"));
    EXPECT_EQ(ini.unpacked, trust::Sha256::of(readFile(path("client/kd.ini"))));
    EXPECT_EQ(ini.packed, trust::Sha256::of(readFile(path("server/kd.ini.kdz"))));
    EXPECT_EQ(files[text("\\data2\\mixed case.txt")].name, text("\\Data2\\Mixed Case.txt"));

    // Publishing again signs a higher serial, also when the clock gives no higher number.
    resign(path("server"), [](trust::ManifestData& d) { d.serial += 1000000; });
    const qint64 future = manifestOf(path("server")).data.serial;
    ASSERT_EQ(publishSigned(path("server"), {text("--expires"), text("2")}).exitCode, 0);
    const trust::ManifestData next = manifestOf(path("server")).data;
    EXPECT_EQ(next.serial, future + 1);
    EXPECT_LE(next.expires, QDateTime::currentSecsSinceEpoch() + 2 * kDay);
    EXPECT_TRUE(next.nextKeys.empty());
    EXPECT_EQ(verify(path("server")).exitCode, 0);
}

TEST_F(SignedPublishTest, VerifyRefusesWhatALauncherMustRefuse) {
    const QString pristine = path("pristine");
    ASSERT_EQ(publishSigned(pristine).exitCode, 0);
    // Another kd.ini packed the same way, to swap in.
    QTemporaryDir otherDir;
    writeFile(otherDir.filePath(text("client/kd.ini")), "[game]\r\nserver=evil\r\n");
    ASSERT_EQ(packtest::pack(
                  {text("publish"), otherDir.filePath(text("client")), text("-o"), otherDir.filePath(text("server"))})
                  .exitCode,
              0);

    const struct {
        const char* what;
        std::function<void(const QString& server)> tamper;
        const char* key;
        const char* reason;
    } cases[] = {
        {"list changed after signing",
         [&](const QString& server) {
             writeFile(path("client/kd.ini"), "[game]\r\nserver=2\r\n");
             const packtest::RunResult unsigned_ =
                 packtest::pack({text("publish"), path("client"), text("-o"), server});
             EXPECT_TRUE(unsigned_.err.contains("updater.sig is left")) << unsigned_.err.toStdString();
             writeFile(path("client/kd.ini"), "[game]\r\nserver=1\r\n");
         },
         "op.pub", "unpacks to a list other than the signed one"},
        {"packed file swapped",
         [&](const QString& server) {
             QFile::remove(QDir(server).filePath(text("kd.ini.kdz")));
             QFile::copy(otherDir.filePath(text("server/kd.ini.kdz")), QDir(server).filePath(text("kd.ini.kdz")));
         },
         "op.pub", "\\kd.ini: the archive on the server is not the signed one"},
        {"expired manifest",
         [&](const QString& server) {
             resign(server, [](trust::ManifestData& d) { d.expires = QDateTime::currentSecsSinceEpoch() - kDay; });
         },
         "op.pub", "the manifest expired"},
        {"unknown key", [](const QString&) {}, "other.pub", "not trusted"},
        {"archive content not the signed one",
         [&](const QString& server) {
             resign(server, [](trust::ManifestData& d) { d.files[0].unpacked = trust::Sha256::of("other"); });
         },
         "op.pub", "the file in the archive is not the signed one"},
        {"archive larger than the list says, signed",
         [&](const QString& server) {
             const QString archive = QDir(server).filePath(text("kd.ini.kdz"));
             QFile::remove(archive);
             QFile::copy(otherDir.filePath(text("server/kd.ini.kdz")), archive);
             resign(server, [&](trust::ManifestData& d) {
                 for (trust::ManifestFile& f : d.files) {
                     if (f.name == text("\\kd.ini")) {
                         f.packed = trust::Sha256::of(readFile(archive));
                         f.unpacked = trust::Sha256::of("[game]\r\nserver=evil\r\n");
                     }
                 }
             });
         },
         "op.pub", "\\kd.ini: the archive does not give the file back: refused entry: kd.ini (entry larger"},
        {"listed file not signed",
         [&](const QString& server) { resign(server, [](trust::ManifestData& d) { d.files.pop_back(); }); }, "op.pub",
         "\\kd.ini: listed but not signed"},
        {"manifest missing", [](const QString& server) { QFile::remove(QDir(server).filePath(text("updater.sig"))); },
         "op.pub", "updater.sig"},
        {"manifest damaged",
         [](const QString& server) {
             const QString sig = QDir(server).filePath(text("updater.sig"));
             writeFile(sig, readFile(sig).replace("serial ", "serial 0"));
         },
         "op.pub", "line 2: not a decimal number"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString server = dir.filePath(QStringLiteral("case%1").arg(++number));
        copyFolder(pristine, server);
        c.tamper(server);
        const packtest::RunResult run = verify(server, c.key);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
    }
}

TEST_F(SignedPublishTest, ChunkIndexesAreSignedAndVerifyChecksThemAndTheirChunks) {
    const QString pristine = path("chunked");
    ASSERT_EQ(publishSigned(pristine, {text("--chunks")}).exitCode, 0);
    const packtest::RunResult verified = verify(pristine);
    EXPECT_EQ(verified.exitCode, 0) << verified.err.toStdString();
    for (const trust::ManifestFile& file : manifestOf(pristine).data.files) {
        SCOPED_TRACE(file.name.toStdString());
        ASSERT_TRUE(file.index);
        QString relative = file.name.mid(1).replace(QLatin1Char('\\'), QLatin1Char('/'));
        EXPECT_EQ(*file.index, trust::Sha256::of(readFile(QDir(pristine).filePath(relative + text(".kdc")))));
    }

    const auto firstChunk = [](const QString& server, const char* indexName) {
        const QString path =
            QDir(server).filePath(text("chunks/")) +
            chunks::ChunkStore::relativePath(chunks::ChunkIndex::parse(readFile(QDir(server).filePath(text(indexName))))
                                                 .value()
                                                 .chunks()
                                                 .front()
                                                 .digest);
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
        return path;
    };
    const auto replace = [](const QString& target, const QString& source) {
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(source, target));
    };
    const struct {
        const char* what;
        std::function<void(const QString& server)> tamper;
        const char* reason;
    } cases[] = {
        {"index swapped",
         [&](const QString& server) {
             replace(QDir(server).filePath(text("data/sub/x.dat.kdc")), QDir(server).filePath(text("kd.ini.kdc")));
         },
         "\\data\\sub\\x.dat: the chunk index on the server is not the signed one"},
        {"index of another file signed",
         [&](const QString& server) {
             const QString index = QDir(server).filePath(text("data/sub/x.dat.kdc"));
             replace(index, QDir(server).filePath(text("kd.ini.kdc")));
             resign(server, [&](trust::ManifestData& d) {
                 for (trust::ManifestFile& f : d.files) {
                     if (f.name == text("\\data\\sub\\x.dat"))
                         f.index = trust::Sha256::of(readFile(index));
                 }
             });
         },
         "\\data\\sub\\x.dat: the chunk index describes 18 bytes, the list 200000"},
        {"chunk missing", [&](const QString& server) { QFile::remove(firstChunk(server, "data/sub/x.dat.kdc")); },
         "\\data\\sub\\x.dat: "},
        {"chunk served with another chunk's bytes",
         [&](const QString& server) {
             replace(firstChunk(server, "data/sub/x.dat.kdc"), firstChunk(server, "kd.ini.kdc"));
         },
         "holds other bytes"},
        {"index not signed",
         [&](const QString& server) {
             resign(server, [](trust::ManifestData& d) {
                 for (trust::ManifestFile& f : d.files)
                     f.index.reset();
             });
         },
         "\\kd.ini: the server has a chunk index of it that is not signed"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString server = dir.filePath(QStringLiteral("chunkcase%1").arg(++number));
        copyFolder(pristine, server);
        c.tamper(server);
        const packtest::RunResult run = verify(server);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
    }
}

TEST_F(SignedPublishTest, PublishRefusesBadSigningOptionsBeforeWritingAnything) {
    writeFile(path("damaged/updater.sig"), "kaldoria-manifest 1\nserial x\n");
    const struct {
        const char* what;
        QStringList extra;
        const char* server;
        const char* reason;
    } cases[] = {
        {"missing key", {text("--sign"), path("none.key")}, "server", "none.key"},
        {"public key to sign with", {text("--sign"), path("op.pub")}, "server", "no unencrypted Ed25519 private key"},
        {"no expiry days", {text("--sign"), path("op.key"), text("--expires"), text("0")}, "server", "from 1 to"},
        {"expiry not a number",
         {text("--sign"), path("op.key"), text("--expires"), text("soon")},
         "server",
         "number of days"},
        {"expiry without signing", {text("--expires"), text("3")}, "server", "go with --sign"},
        {"next key not a key",
         {text("--sign"), path("op.key"), text("--next-key"), path("op.key")},
         "server",
         "no Ed25519 public key"},
        {"next key twice",
         {text("--sign"), path("op.key"), text("--next-key"), path("other.pub"), text("--next-key"), path("other.pub")},
         "server",
         "given twice"},
        {"earlier manifest unreadable", {text("--sign"), path("op.key")}, "damaged", "its serial must be passed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const packtest::RunResult run =
            packtest::pack(QStringList{text("publish"), path("client"), text("-o"), path(c.server)} + c.extra);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(QDir(path(c.server)).filePath(text("updater.lst"))));
    }
}

} // namespace
