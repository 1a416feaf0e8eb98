#pragma once

#include "update/WorkflowState.h"

#include <QSet>

namespace kaldoria::update {

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
    // Drops the previous list's record of a file that is missing from the client folder.
    void forgetMissing(const QString& name);
    void resetOneFileControls();
    void finish(startup::TextEntry statusEntry);
    // Saves the previous list, then lets the new program file take over.
    void restartAfterSelfUpdate();

    WorkflowState& m_s;
    // The previous list changed (a deleted file's record dropped, a measured file's record
    // brought up to date) and must be saved even when nothing else changes.
    bool m_previousChanged = false;
    // Keys of the listed files that are missing from the client folder: never current,
    // whatever an earlier run recorded.
    QSet<QString> m_missing;
};

} // namespace kaldoria::update
