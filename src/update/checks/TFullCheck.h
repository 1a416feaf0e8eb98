#pragma once

#include "update/WorkflowState.h"

namespace kaldoria::update {

// The full check the user starts by hand: every listed file that the required-files check
// did not look at is compared at the user's check level, updated when it differs, and the
// previous list "OldList.lst" is rebuilt from what was found.
class TFullCheck {
public:
    explicit TFullCheck(WorkflowState& state) : m_s(state) {}

    void CheckingAllFiles();

private:
    void narrowCandidates();
    // True when the file of `entry` is current; records it in the previous list as needed.
    bool isCurrent(const filelist::TFileRecord& entry, const filelist::TFileRecord& listed);

    WorkflowState& m_s;
};

} // namespace kaldoria::update
