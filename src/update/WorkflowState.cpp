#include "update/WorkflowState.h"

#include "update/FailureTexts.h"

#include "platform/ClientPath.h"

#include <QFileInfo>

namespace kaldoria::update {

QString WorkflowState::clientPath(const QString& name) const {
    return platform::ClientPath::resolve(mainPath, name);
}

void WorkflowState::recordPrevious(const filelist::TFileRecord& record) {
    if (filelist::TFileItem* existing = OldFileList->GetItemByName(record.Name))
        existing->Content = record;
    else
        OldFileList->AddItemSimple(record.Name, record.Hash, record.HashPacked, record.Size, record.Date);
}

void WorkflowState::fileFailed(const QString& name, const QString& reason) {
    ++failedFiles;
    log(QStringLiteral("Failed: ") + name + QStringLiteral(": ") + reason);
    view.reportFailure(name, reason);
}

void WorkflowState::reportOutcome(startup::TextEntry successEntry, int failuresBefore) {
    const int failed = failedFiles - failuresBefore;
    if (failed <= 0) {
        view.setStatusText(text(successEntry));
        return;
    }
    const QString message = FailureTexts::filesFailed(text(startup::TextEntry::FilesFailed), failed);
    log(message);
    view.setStatusText(message);
    view.showMessage(message);
}

QString WorkflowState::downloadFailure(const download::DownloadFailure& failure) {
    if (failure.kind == download::DownloadFailure::Kind::DiskFull)
        reportDiskFull(failure.bytesNeeded, failure.bytesFree);
    return failure.describe();
}

void WorkflowState::reportDiskFull(qint64 bytesNeeded, qint64 bytesFree) {
    if (diskFullShown)
        return;
    diskFullShown = true;
    const QString message = FailureTexts::diskFull(text(startup::TextEntry::DiskFull), bytesNeeded, bytesFree);
    log(message);
    view.showMessage(message);
    view.setStatusText(message);
}

QString WorkflowState::ownProgramName() const {
    return QFileInfo(ownProgramPath).fileName();
}

} // namespace kaldoria::update
