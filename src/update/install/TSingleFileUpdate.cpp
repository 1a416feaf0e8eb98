#include "update/install/TSingleFileUpdate.h"

#include "platform/ClientPath.h"
#include "platform/FileTimes.h"
#include "platform/PlantedLinks.h"
#include "platform/TerminateRequest.h"

#include "filelist/TMD5.h"
#include "net/PathSegments.h"
#include "unpack/PackedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::update {

namespace {

constexpr int kAttempts = 3;
constexpr int kDownloadCallsPerAttempt = 3;

QString tmpKdz(const WorkflowState& s) {
    return s.workFile(QStringLiteral("$tmp.kdz"));
}

} // namespace

QString TSingleFileUpdate::packedAddress(const QString& urlMain, const QString& name) {
    // The base address is used as configured; only the file's own name is encoded.
    return urlMain + net::encodePathSegments(name.mid(1) + QStringLiteral(".kdz"));
}

bool TSingleFileUpdate::UpdateOneFile(const filelist::TFileItem& item) {
    const filelist::TFileRecord& record = item.Content;
    m_s.view.setStatusText(m_s.text(startup::TextEntry::DownloadingPrefix) + record.Name);
    const QString oldName = record.Name.mid(1);
    if (!platform::ClientPath::isConfined(record.Name)) {
        m_s.log(QStringLiteral("Refused name outside the client folder: ") + record.Name);
        m_s.fileFailed(record.Name, QStringLiteral("name outside the client folder"));
        return false;
    }
    const QString target = m_s.clientPath(record.Name);
    const QString folder = QFileInfo(target).path();
    const bool ownFile = QFileInfo(target).fileName().toLower() == m_s.ownProgramName().toLower();
    if (ownFile && m_s.restarted) {
        m_s.fileFailed(record.Name, QStringLiteral("the launcher was replaced once in this run and does not match the "
                                                   "list; it is not replaced again"));
        return false;
    }
    // A linked folder in the way is replaced by a real one: nothing is written through a link.
    platform::PlantedLinks::removeLinkedFolders(m_s.mainPath, target);
    QDir().mkpath(folder);

    // A local copy spelled in another case than the list names it would stay beside the new
    // file, so it gives way first; any other local copy stays until the new one replaces it.
    const QString listedName = QFileInfo(QString(record.Name).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
    if (!ownFile && QFileInfo(target).fileName() != listedName && QFileInfo(target).isFile())
        QFile::remove(target);

    // The running program file stays in place until the new one is renamed over it, so that a
    // crash at any moment leaves a program to start; its copy ".bak" marks the self-update.
    if (ownFile) {
        QFile::remove(target + QStringLiteral(".bak"));
        QFile::copy(target, target + QStringLiteral(".bak"));
        m_s.self = true;
    }

    const QString expected = record.HashPacked == filelist::ZeroDigest() ? QString() : record.HashPacked;
    const QString address = packedAddress(m_s.URLMain, record.Name);
    AttemptOutcome outcome;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        outcome = fetchAttempt(oldName, address, expected, attempt);
        if (platform::TerminateRequest::isRequested()) {
            cleanUp(target, ownFile);
            return false;
        }
        if (outcome.ok())
            break;
    }
    if (!outcome.ok()) {
        if (outcome.digestMismatch)
            m_s.log(QStringLiteral("FItem.Content.Name ") + oldName + QStringLiteral(": hash error !!!"));
        fail(record, target, ownFile, outcome.reason);
        return false;
    }

    m_s.view.setStatusText(m_s.text(startup::TextEntry::UnpackingPrefix) + record.Name);
    QCoreApplication::processEvents();
    if (platform::TerminateRequest::isRequested()) {
        cleanUp(target, ownFile);
        return false;
    }
    const QString extractFailure = extract(record, folder, ownFile);
    if (!extractFailure.isEmpty()) {
        fail(record, target, ownFile, extractFailure);
        return false;
    }
    return true;
}

TSingleFileUpdate::AttemptOutcome TSingleFileUpdate::fetchAttempt(const QString& oldName, const QString& address,
                                                                  const QString& expectedHash, int attempt) {
    const QString tmp = tmpKdz(m_s);
    // A packed file left by an earlier attempt or run must never be taken for this one.
    QFile::remove(tmp);
    if (m_s.localSource.enabled) {
        const QString source = platform::ClientPath::resolve(m_s.localSource.folder, oldName + QStringLiteral(".kdz"));
        if (!QFile::copy(source, tmp))
            return {QFileInfo::exists(source) ? QStringLiteral("could not be copied from the local source folder")
                                              : QStringLiteral("not found in the local source folder")};
    } else {
        m_s.log(QStringLiteral("Download file: ") + oldName + QStringLiteral(" (try ") + QString::number(attempt) +
                QStringLiteral(")"));
        for (int call = 0; call < kDownloadCallsPerAttempt; ++call) {
            m_s.DM->GetFile(address, tmp);
            if (platform::TerminateRequest::isRequested() || !m_s.DM->HaveError())
                break;
        }
        if (m_s.DM->HaveError())
            return {m_s.downloadFailure()};
    }
    if (expectedHash.isEmpty())
        return {};
    const filelist::FileDigest digest = filelist::GetFileMD5(tmp);
    if (!digest.status.ok())
        return {QStringLiteral("packed file unreadable: ") + digest.status.message()};
    if (digest.digest != expectedHash)
        return {QStringLiteral("checksum mismatch: the list says %1, the packed file has %2")
                    .arg(expectedHash, digest.digest),
                true};
    return {};
}

QString TSingleFileUpdate::extract(const filelist::TFileRecord& record, const QString& folder, bool ownFile) {
    const QString oldName = record.Name.mid(1);
    const QString tmp = tmpKdz(m_s);
    m_s.log(QStringLiteral("Unpack:: ") + oldName);
    // The archive may not write more than the list says the file holds.
    const unpack::ExtractOutcome extraction = unpack::ExtractArchive(tmp, folder, record.Size);
    m_s.log(QStringLiteral("Set DateTime: ") + oldName);
    QFile::remove(tmp);
    if (!extraction.extracted) {
        if (extraction.diskFull)
            m_s.reportDiskFull(extraction.bytesNeeded, extraction.bytesFree);
        return QStringLiteral("extraction failed: ") + extraction.reason;
    }
    // The archive may spell the name in another case; find the file as the list names it.
    const QString placed = m_s.clientPath(record.Name);
    if (!QFileInfo(placed).isFile())
        return QStringLiteral("the archive does not hold the file");
    if (ownFile)
        QFile::setPermissions(placed, QFile::permissions(placed) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    if (record.Date != 0)
        platform::SetFileTimes(placed, 7, record.Date);
    m_s.recordPrevious(record);
    return QString();
}

void TSingleFileUpdate::fail(const filelist::TFileRecord& record, const QString& target, bool ownFile,
                             const QString& reason) {
    m_s.fileFailed(record.Name, reason);
    cleanUp(target, ownFile);
}

void TSingleFileUpdate::cleanUp(const QString& target, bool ownFile) {
    // The packed file of a failed update is of no use to anyone.
    QFile::remove(tmpKdz(m_s));
    if (ownFile) {
        // The old program file is still in place; no restart happens.
        QFile::remove(target + QStringLiteral(".bak"));
        m_s.self = false;
    }
}

} // namespace kaldoria::update
