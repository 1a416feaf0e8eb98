#include "update/checks/FileHasher.h"

#include "filelist/TMHThreads.h"

namespace kaldoria::update {

std::unique_ptr<filelist::TFileList> FileHasher::measure(WorkflowState& s, const filelist::TFileList& files,
                                                         bool filesHoldListedSizes) {
    filelist::TMHThreads hasher(s.cancel);
    int done = 0;
    const int count = files.Count();
    hasher.OnThreadFileProceed = [&s, &done, count](filelist::TMHThreads*, const QString& filename, const QString&,
                                                    qint64, filelist::TDateTime) {
        // One file hashed: its name in the status line, one step further.
        s.view.setStatusText(s.text(startup::TextEntry::CheckedPrefix) + filename);
        s.view.setStepProgress(++done, count);
    };
    hasher.ModeIsHaveHash = s.check.checkLevel == 2;
    hasher.SkipHashOfOtherSize = filesHoldListedSizes;
    return hasher.CalculateHash(s.mainPath, files, s.check.hashThreadCount);
}

} // namespace kaldoria::update
