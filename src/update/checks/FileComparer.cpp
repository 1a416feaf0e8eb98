#include "update/checks/FileComparer.h"

#include "platform/FileTimes.h"

namespace kaldoria::update {

using filelist::TFileRecord;

namespace {

bool measuredEqual(int level, const TFileRecord* measured, const TFileRecord& listed) {
    if (!measured)
        return false;
    if (level == 2)
        return measured->Hash == listed.Hash;
    // The local date is read back through the zone's rules, which move a time the zone
    // skips; the list's date is compared as it reads back.
    return measured->Size == listed.Size && measured->Date == platform::dateAsStored(listed.Date);
}

} // namespace

FileComparer::Verdict FileComparer::compare(int level, const TFileRecord* measured, const TFileRecord& listed,
                                            const TFileRecord* previous, bool onDisk) {
    Verdict verdict;
    if (!onDisk)
        return verdict;
    if (level == 0) {
        verdict.current = previous && previous->Hash == listed.Hash;
        return verdict;
    }
    verdict.current = measuredEqual(level, measured, listed);
    verdict.recordPrevious = verdict.current && (!previous || *previous != listed);
    verdict.setListDate = verdict.current && level == 2 && listed.Date != 0;
    return verdict;
}

FileComparer::Verdict FileComparer::check(WorkflowState& s, const TFileRecord* measured, const TFileRecord& listed,
                                          bool onDisk) {
    const filelist::TFileItem* previous = s.OldFileList->GetItemByName(listed.Name);
    const Verdict verdict =
        compare(s.check.checkLevel, measured, listed, previous ? &previous->Content : nullptr, onDisk);
    if (verdict.recordPrevious)
        s.recordPrevious(listed);
    if (verdict.setListDate)
        platform::SetFileTimes(s.clientPath(listed.Name), 7, listed.Date);
    return verdict;
}

} // namespace kaldoria::update
