#include "SignedFolderCheck.h"

#include "ChunkIndexCheck.h"
#include "ListName.h"
#include "OutputFile.h"

#include "filelist/TFileList.h"
#include "trust/SignedManifest.h"
#include "unpack/PackedFile.h"
#include "update/manifest/UpdateListSections.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

namespace kaldoria::pack {

using trust::Result;
using trust::Sha256;
using trust::Sha256Digest;

namespace {

QString utcText(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

SignedFolderCheck::Outcome SignedFolderCheck::run(const QString& server, const std::vector<trust::TrustedKey>& keys,
                                                  qint64 nowSeconds) {
    Outcome outcome;
    QString error;
    const std::optional<QByteArray> bytes =
        readInputFile(QDir(server).filePath(QString::fromLatin1(trust::SignedManifest::kFileName)), error);
    if (!bytes) {
        outcome.problems << error;
        return outcome;
    }
    Result<trust::ParsedManifest> parsed = trust::SignedManifest::parse(*bytes);
    if (!parsed.ok()) {
        outcome.problems << parsed.error();
        return outcome;
    }
    if (const QString reason = trust::SignedManifest::verify(parsed.value(), keys); !reason.isEmpty()) {
        outcome.problems << reason;
        return outcome;
    }
    outcome.manifest = std::move(parsed).value();
    if (outcome.manifest->data.expiredAt(nowSeconds))
        outcome.problems << QStringLiteral("the manifest expired at %1").arg(utcText(outcome.manifest->data.expires));

    const QTemporaryDir work;
    if (!work.isValid()) {
        outcome.problems << QStringLiteral("cannot make a temporary folder: ") + work.errorString();
        return outcome;
    }
    SignedFolderCheck check(server, *outcome.manifest, outcome.problems);
    if (const std::optional<QStringList> fileLines = check.checkList(work.path()))
        check.checkFiles(*fileLines, work.path());
    return outcome;
}

std::optional<QStringList> SignedFolderCheck::checkList(const QString& work) {
    // Unpacked from a copy, as a launcher does with what it fetched: unpacking restores the
    // packed list's header in place, and the served file stays as it is.
    const QString packed = QDir(work).filePath(QStringLiteral("$tmp.kdz"));
    const QString list = QDir(work).filePath(QStringLiteral("updater.lst"));
    if (!QFile::copy(QDir(m_server).filePath(QStringLiteral("updater.lst.kdz")), packed)) {
        m_problems << QStringLiteral("updater.lst.kdz cannot be read");
        return std::nullopt;
    }
    const unpack::UnpackResult unpacked = unpack::UnpackPackedFile(packed, list);
    if (unpacked.status != unpack::UnpackResult::Status::Unpacked) {
        m_problems << QStringLiteral("updater.lst.kdz does not unpack: ") + unpacked.error;
        return std::nullopt;
    }
    const Result<Sha256Digest> digest = Sha256::ofFile(list);
    if (!digest.ok()) {
        m_problems << digest.error();
        return std::nullopt;
    }
    if (digest.value() != m_manifest.data.list) {
        m_problems << QStringLiteral("updater.lst.kdz unpacks to a list other than the signed one");
        return std::nullopt;
    }
    return update::UpdateListSections::split(update::UpdateListSections::readLines(list)).fileLines;
}

void SignedFolderCheck::checkFiles(const QStringList& fileLines, const QString& work) {
    filelist::TFileList list(true);
    if (const filelist::Status read = list.LoadFromStrings(fileLines); !read.ok()) {
        m_problems << QStringLiteral("the list is damaged: ") + read.message();
        return;
    }
    QSet<QString> listed;
    for (int i = 0; i < list.Count(); ++i) {
        const filelist::TFileRecord& record = list.GetItemByID(i)->Content;
        listed.insert(trust::ManifestData::nameKey(record.Name));
        checkFile(record, work);
    }
    for (const trust::ManifestFile& file : m_manifest.data.files) {
        if (!listed.contains(trust::ManifestData::nameKey(file.name)))
            m_problems << QStringLiteral("%1: signed but not in the list").arg(file.name);
    }
}

void SignedFolderCheck::checkFile(const filelist::TFileRecord& record, const QString& work) {
    const QString& name = record.Name;
    const auto found = m_signedFiles.constFind(trust::ManifestData::nameKey(name));
    if (found == m_signedFiles.cend()) {
        m_problems << QStringLiteral("%1: listed but not signed").arg(name);
        return;
    }
    m_problems << ChunkIndexCheck::run(m_server, name, record.Size, *found);
    const QString archive = QDir(m_server).filePath(relativePath(name) + QStringLiteral(".kdz"));
    const Result<Sha256Digest> packed = Sha256::ofFile(archive);
    if (!packed.ok()) {
        m_problems << QStringLiteral("%1: %2").arg(name, packed.error());
        return;
    }
    if (packed.value() != found->packed) {
        m_problems << QStringLiteral("%1: the archive on the server is not the signed one").arg(name);
        return;
    }
    // Extracted as a launcher extracts it: every file under its bare name into one folder, and
    // no more bytes than the list gives the file.
    const QString folder = QDir(work).filePath(QStringLiteral("extracted"));
    QDir(folder).removeRecursively();
    const unpack::ExtractOutcome extraction = unpack::ExtractArchive(archive, folder, record.Size);
    const QString extracted = QDir(folder).filePath(QFileInfo(relativePath(name)).fileName());
    if (!extraction.extracted || !QFileInfo(extracted).isFile()) {
        m_problems << QStringLiteral("%1: the archive does not give the file back: %2")
                          .arg(name,
                               extraction.extracted ? QStringLiteral("it holds another name") : extraction.reason);
        return;
    }
    const Result<Sha256Digest> unpacked = Sha256::ofFile(extracted);
    if (!unpacked.ok())
        m_problems << QStringLiteral("%1: %2").arg(name, unpacked.error());
    else if (unpacked.value() != found->unpacked)
        m_problems << QStringLiteral("%1: the file in the archive is not the signed one").arg(name);
}

} // namespace kaldoria::pack
