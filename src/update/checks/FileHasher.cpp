#include "update/checks/FileHasher.h"

#include "filelist/TMHThreads.h"

namespace kaldoria::update {

std::unique_ptr<filelist::TFileList> FileHasher::measure(WorkflowState& s, const filelist::TFileList& files) {
    filelist::TMHThreads hasher;
    hasher.OnThreadFileProceed = [&s](filelist::TMHThreads*, const QString& filename, const QString&, qint64,
                                      filelist::TDateTime) {
        // One file hashed: its name in the status line, one step of the current-file controls.
        s.view.setStatusText(s.text(startup::TextEntry::CheckedPrefix) + filename);
        s.progress.step(ProgressModel::Pair::OneFile);
    };
    hasher.ModeIsHaveHash = s.check.checkLevel == 2;
    return hasher.CalculateHash(s.mainPath, files, s.check.hashThreadCount);
}

} // namespace kaldoria::update
