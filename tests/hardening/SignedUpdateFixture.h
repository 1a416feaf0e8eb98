#pragma once

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

inline QString latin1(const char* text) {
    return QString::fromLatin1(text);
}

inline void copyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
        QDir().mkpath(QFileInfo(target).path());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

using testsupport::readFileBytes;
using testsupport::UpdateServerFolder;
using testsupport::writeFileBytes;

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

} // namespace kaldoria::hardening
