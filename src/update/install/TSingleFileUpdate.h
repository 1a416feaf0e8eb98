#pragma once

#include "update/WorkflowState.h"

#include "filelist/TFileItem.h"

namespace kaldoria::update {

// Brings one client file to the state of the server's list: fetches its packed form
// (downloaded, or copied in local-source mode) into "$tmp.kdz", checks the packed digest (up
// to three attempts), extracts it over the local copy, gives it the list's date and records
// it in the previous list. The local copy stays in place until the new one replaces it, so a
// failed update never takes a file away. The launcher's own program file is copied to
// ".bak" first, which marks the self-update.
class TSingleFileUpdate {
public:
    explicit TSingleFileUpdate(WorkflowState& state) : m_s(state) {}

    // True when the file was extracted and is in place; a failure has been logged and
    // counted in the state.
    bool UpdateOneFile(const filelist::TFileItem& item);

    // The download address of a list name below `urlMain`: the name without its leading
    // character, plus ".kdz", every "\" turned into "/" and each path segment
    // percent-encoded.
    static QString packedAddress(const QString& urlMain, const QString& name);

private:
    // Why an attempt to fetch the packed file failed; an empty reason is a success.
    struct AttemptOutcome {
        QString reason;
        bool digestMismatch = false;
        bool ok() const { return reason.isEmpty(); }
    };

    // One attempt to put the packed file into "$tmp.kdz" with the expected digest (or any
    // content when no digest is expected).
    AttemptOutcome fetchAttempt(const QString& oldName, const QString& address, const QString& expectedHash,
                                int attempt);
    // The reason of a failed extraction; empty when the file is in place.
    QString extract(const filelist::TFileRecord& record, const QString& folder, bool ownFile);
    void fail(const filelist::TFileRecord& record, const QString& target, bool ownFile, const QString& reason);
    void cleanUp(const QString& target, bool ownFile);

    WorkflowState& m_s;
};

} // namespace kaldoria::update
