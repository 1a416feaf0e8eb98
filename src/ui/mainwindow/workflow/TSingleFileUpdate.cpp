#include "ui/mainwindow/workflow/TSingleFileUpdate.h"

#include "platform/ClientPath.h"
#include "platform/FileTimes.h"
#include "platform/PlantedLinks.h"
#include "platform/TerminateRequest.h"

#include "filelist/TMD5.h"
#include "unpack/PackedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::workflow {

namespace {

constexpr int kAttempts = 3;
constexpr int kDownloadCallsPerAttempt = 3;

QString tmpKdz(const WorkflowState& s) {
    return s.workFile(QStringLiteral("$tmp.kdz"));
}

} // namespace

QString TSingleFileUpdate::packedAddress(const QString& urlMain, const QString& name) {
    QString address = urlMain + name.mid(1) + QStringLiteral(".kdz");
    address.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return address;
}

bool TSingleFileUpdate::UpdateOneFile(const filelist::TFileItem& item) {
    const filelist::TFileRecord& record = item.Content;
    m_s.view.setStatusText(m_s.text(4) + record.Name);
    const QString oldName = record.Name.mid(1);
    if (!platform::ClientPath::isConfined(record.Name)) {
        m_s.log(QStringLiteral("Refused name outside the client folder: ") + record.Name);
        ++m_s.failedFiles;
        return false;
    }
    const QString target = m_s.clientPath(record.Name);
    const QString folder = QFileInfo(target).path();
    // A linked folder in the way is replaced by a real one: nothing is written through a link.
    platform::PlantedLinks::removeLinkedFolders(m_s.mainPath, target);
    QDir().mkpath(folder);

    // The running program file stays in place until the new one is renamed over it, so that a
    // crash at any moment leaves a program to start; its copy ".bak" marks the self-update.
    const bool ownFile = QFileInfo(target).fileName().toLower() == m_s.ownProgramName().toLower();
    if (ownFile) {
        QFile::remove(target + QStringLiteral(".bak"));
        QFile::copy(target, target + QStringLiteral(".bak"));
        m_s.self = true;
    } else {
        QFile::remove(target);
    }

    const QString expected = record.HashPacked == filelist::ZeroDigest() ? QString() : record.HashPacked;
    const QString address = packedAddress(m_s.URLMain, record.Name);
    bool fetched = false;
    for (int attempt = 1; attempt <= kAttempts && !fetched; ++attempt) {
        fetched = fetchAttempt(oldName, address, expected, attempt);
        if (platform::TerminateRequest::isRequested()) {
            fail(target, ownFile);
            return false;
        }
    }
    if (!fetched) {
        m_s.log(QStringLiteral("FItem.Content.Name ") + oldName + QStringLiteral(": hash error !!!"));
        fail(target, ownFile);
        return false;
    }

    m_s.view.setStatusText(m_s.text(1) + record.Name);
    QCoreApplication::processEvents();
    if (platform::TerminateRequest::isRequested()) {
        fail(target, ownFile);
        return false;
    }
    if (!extract(record, folder, ownFile)) {
        fail(target, ownFile);
        return false;
    }
    return true;
}

bool TSingleFileUpdate::fetchAttempt(const QString& oldName, const QString& address, const QString& expectedHash,
                                     int attempt) {
    const QString tmp = tmpKdz(m_s);
    // A packed file left by an earlier attempt or run must never be taken for this one.
    QFile::remove(tmp);
    if (m_s.localSource.enabled) {
        QFile::copy(platform::ClientPath::resolve(m_s.localSource.folder, oldName + QStringLiteral(".kdz")), tmp);
    } else {
        m_s.log(QStringLiteral("Download file: ") + oldName + QStringLiteral(" (try ") + QString::number(attempt) +
                QStringLiteral(")"));
        for (int call = 0; call < kDownloadCallsPerAttempt; ++call) {
            m_s.DM->GetFile(address, tmp);
            if (platform::TerminateRequest::isRequested() || !m_s.DM->HaveError())
                break;
        }
    }
    if (expectedHash.isEmpty())
        return true;
    // A missing or unreadable packed file fails this attempt.
    const filelist::FileDigest digest = filelist::GetFileMD5(tmp);
    return digest.status.ok() && digest.digest == expectedHash;
}

bool TSingleFileUpdate::extract(const filelist::TFileRecord& record, const QString& folder, bool ownFile) {
    const QString oldName = record.Name.mid(1);
    const QString tmp = tmpKdz(m_s);
    m_s.log(QStringLiteral("Unpack:: ") + oldName);
    // The archive may not write more than the list says the file holds.
    const bool extracted = unpack::ExtractArchive(tmp, folder, record.Size).extracted;
    m_s.log(QStringLiteral("Set DateTime: ") + oldName);
    QFile::remove(tmp);
    // The archive may spell the name in another case; find the file as the list names it.
    const QString placed = m_s.clientPath(record.Name);
    if (!extracted || !QFileInfo(placed).isFile()) {
        m_s.log(QStringLiteral("Unpack failed: ") + oldName);
        return false;
    }
    if (ownFile)
        QFile::setPermissions(placed, QFile::permissions(placed) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    if (record.Date != 0)
        platform::SetFileTimes(placed, 7, record.Date);
    m_s.recordPrevious(record);
    return true;
}

void TSingleFileUpdate::fail(const QString& target, bool ownFile) {
    ++m_s.failedFiles;
    // The packed file of a failed update is of no use to anyone.
    QFile::remove(tmpKdz(m_s));
    if (ownFile) {
        // The old program file is still in place; no restart happens.
        QFile::remove(target + QStringLiteral(".bak"));
        m_s.self = false;
    }
}

} // namespace kaldoria::workflow
