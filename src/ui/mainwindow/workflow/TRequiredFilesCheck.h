#pragma once

#include "ui/mainwindow/workflow/WorkflowState.h"

namespace kaldoria::workflow {

// The check that follows every fetch of the server's list: it reads the list's three
// sections, deletes the files named for deletion, finds the missing and the required files,
// compares them at the user's check level and updates those that differ. Every other listed
// file waits in CheckAll for the full check.
class TRequiredFilesCheck {
public:
    explicit TRequiredFilesCheck(WorkflowState& state) : m_s(state) {}

    // Returns when the check and the update have ended, or when the launcher closes or
    // restarts itself after replacing its own program file.
    void CheckingRequiredFiles();
    void UpdateRequiredFiles();

private:
    void readList(const QString& listPath);
    void compare();
    void resetOneFileControls();
    void finish(int statusEntry);

    WorkflowState& m_s;
    // The previous list changed (a deleted file's record dropped, a measured file's record
    // brought up to date) and must be saved even when nothing else changes.
    bool m_previousChanged = false;
};

} // namespace kaldoria::workflow
