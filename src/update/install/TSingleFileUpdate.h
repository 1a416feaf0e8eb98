#pragma once

#include "update/WorkflowState.h"
#include "update/install/InstallTask.h"

#include "filelist/TFileItem.h"

#include <optional>

namespace kaldoria::update {

// Readies one client file for its update, on the user-interface thread, before its packed
// form is fetched: refuses a name outside the client folder, a file that the accepted signed
// manifest does not name, and a second self-replacement,
// replaces a linked folder in the way by a real one, makes the file's folder, and lets a
// local copy spelled in another case give way. Any other local copy stays in place until the
// new one replaces it, so a failed update never takes a file away. The launcher's own
// program file is copied to ".bak" first, which marks the self-update.
class TSingleFileUpdate {
public:
    explicit TSingleFileUpdate(WorkflowState& state) : m_s(state) {}

    struct Prepared {
        std::optional<InstallTask> task{};
        QString refusal{}; // why the file is not updated, when there is no task
    };
    Prepared prepare(const filelist::TFileRecord& record);

    // After the file's update ended without it: the packed file goes unless a control file
    // beside it keeps it for a later run to take up, and for the program file its ".bak" copy
    // goes, so that no restart happens.
    void abandon(const InstallTask& task);

    // The download address of a list name below `urlMain`: the name without its leading
    // character, plus ".kdz", every "\" turned into "/" and each path segment
    // percent-encoded.
    static QString packedAddress(const QString& urlMain, const QString& name);

private:
    WorkflowState& m_s;
};

} // namespace kaldoria::update
