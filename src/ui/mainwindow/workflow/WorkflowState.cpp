#include "ui/mainwindow/workflow/WorkflowState.h"

#include "platform/ClientPath.h"

#include <QFileInfo>

namespace kaldoria::workflow {

QString WorkflowState::clientPath(const QString& name) const {
    return platform::ClientPath::resolve(mainPath, name);
}

void WorkflowState::recordPrevious(const filelist::TFileRecord& record) {
    if (filelist::TFileItem* existing = OldFileList->GetItemByName(record.Name))
        existing->Content = record;
    else
        OldFileList->AddItemSimple(record.Name, record.Hash, record.HashPacked, record.Size, record.Date);
}

QString WorkflowState::ownProgramName() const {
    return QFileInfo(ownProgramPath).fileName();
}

} // namespace kaldoria::workflow
