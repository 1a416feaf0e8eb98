#pragma once

#include "update/WorkflowState.h"
#include "update/checks/ClientFolderIndex.h"

#include <optional>

namespace kaldoria::update {

// The full check the user starts by hand: every listed file that the required-files check
// did not look at is compared at the user's check level, updated when it differs, and the
// previous list "OldList.lst" is rebuilt from what was found.
class TFullCheck {
public:
    explicit TFullCheck(WorkflowState& state) : m_s(state) {}

    void CheckingAllFiles();

private:
    // Takes stock of the client folder, then measures the candidates (levels 1 and 2) or
    // drops those that the previous list shows current (level 0).
    void narrowCandidates();
    // True when the file of `entry` is current; records it in the previous list and gives it
    // the list's date as the check level asks.
    bool isCurrent(const filelist::TFileRecord& entry, const filelist::TFileRecord& listed);

    WorkflowState& m_s;
    // The client folder's files when the check started: a file missing then is never current.
    std::optional<ClientFolderIndex> m_present;
};

} // namespace kaldoria::update
