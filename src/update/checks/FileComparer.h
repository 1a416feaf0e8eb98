#pragma once

#include "update/WorkflowState.h"

#include "filelist/TFileRecord.h"

namespace kaldoria::update {

// Decides whether a client file is current at a check level, for both checks: level 2
// compares the measured MD5 with the list's, level 1 the measured size and date, level 0
// the previous list's hash with the list's. A file missing from the client folder is never
// current, whatever the previous list claims.
class FileComparer {
public:
    struct Verdict {
        bool current = false;
        // The file was measured equal to the list and the previous list does not hold the
        // list's record yet: the previous list takes it.
        bool recordPrevious = false;
        // The file was found current by its MD5: it takes the list's date.
        bool setListDate = false;

        bool operator==(const Verdict&) const = default;
    };

    // `measured`: the local file's measured record (none at level 0); `listed`: the server
    // list's record; `previous`: the previous list's record of the same name, if any.
    static Verdict compare(int level, const filelist::TFileRecord* measured, const filelist::TFileRecord& listed,
                           const filelist::TFileRecord* previous, bool onDisk);

    // Compares at the state's check level with the state's previous list, then records the
    // file and gives it the list's date as the verdict says.
    static Verdict check(WorkflowState& s, const filelist::TFileRecord* measured, const filelist::TFileRecord& listed,
                         bool onDisk);
};

} // namespace kaldoria::update
