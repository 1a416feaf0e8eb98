#pragma once

#include "update/WorkflowState.h"

#include "filelist/TFileList.h"

#include <memory>

namespace kaldoria::update {

// Measures the local copies of a list's files for the checks: MD5, size and date at the
// hard level, size and date only at the medium level. Each finished file moves the
// current-file controls one step and shows its name.
class FileHasher {
public:
    // A new list with the measured records under the same names, or null when the run's
    // cancel token was cancelled (the launcher is closing). With `filesHoldListedSizes` (the
    // entries of `files` carry the server list's sizes), a file of another size is not read:
    // it cannot be current, and its digest is left empty.
    static std::unique_ptr<filelist::TFileList> measure(WorkflowState& s, const filelist::TFileList& files,
                                                        bool filesHoldListedSizes);
};

} // namespace kaldoria::update
