#pragma once

#include "ui/mainwindow/workflow/WorkflowState.h"

#include "filelist/TFileItem.h"

namespace kaldoria::workflow {

// Brings one client file to the state of the server's list: removes the local copy,
// fetches its packed form (downloaded, or copied in local-source mode) into "$tmp.kdz",
// checks the packed digest (up to three attempts), extracts it into the file's folder,
// gives it the list's date and records it in the previous list. The launcher's own program
// file is moved aside to ".bak" first and put back when its update fails.
class TSingleFileUpdate {
public:
    explicit TSingleFileUpdate(WorkflowState& state) : m_s(state) {}

    // True when the file was extracted and is in place; a failure has been logged and
    // counted in the state.
    bool UpdateOneFile(const filelist::TFileItem& item);

    // The download address of a list name below `urlMain`: the name without its leading
    // character, plus ".kdz", with every "\" turned into "/".
    static QString packedAddress(const QString& urlMain, const QString& name);

private:
    // One attempt to put the packed file into "$tmp.kdz"; true when it is there with the
    // expected digest (or no digest is expected).
    bool fetchAttempt(const QString& oldName, const QString& address, const QString& expectedHash, int attempt);
    bool extract(const filelist::TFileRecord& record, const QString& folder, bool ownFile);
    void fail(const QString& target, bool ownFile);

    WorkflowState& m_s;
};

} // namespace kaldoria::workflow
