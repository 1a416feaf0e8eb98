#include "update/checks/TFullCheck.h"

#include "update/checks/FileComparer.h"
#include "update/checks/FileHasher.h"
#include "update/install/InstallRun.h"

namespace kaldoria::update {

using filelist::TFileItem;
using filelist::TFileRecord;

void TFullCheck::CheckingAllFiles() {
    if (m_s.CheckAll->Count() == 0)
        return;
    m_s.view.setCheckAllEnabled(false);
    m_s.check.applyFrom(m_s.settings.checkMode, m_s.settings.driveType);
    m_s.view.setStepProgress(0, m_s.CheckAll->Count());
    narrowCandidates();
    if (m_s.cancel.isCancelled())
        return;

    std::vector<filelist::TFileRecord> records;
    for (int i = 0; i < m_s.CheckAll->Count(); ++i) {
        const TFileItem* entry = m_s.CheckAll->GetItemByID(i);
        const TFileItem* listed = m_s.NewFileList->GetItemByName(entry->Content.Name);
        if (listed && !isCurrent(entry->Content, listed->Content))
            records.push_back(listed->Content);
    }
    m_s.view.setTotalProgress(0, 1);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("0%"));
    if (!InstallRun(m_s).install(records))
        return;
    m_s.view.setTotalProgress(1, 1);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("100%"));
    for (int i = m_s.OldFileList->Count() - 1; i >= 0; --i) {
        if (m_s.NewFileList->GetId(m_s.OldFileList->GetItemByID(i)->Content.Name) < 0)
            m_s.OldFileList->DeleteById(i);
    }
    m_s.OldFileList->SaveToFile(m_s.workFile(QStringLiteral("OldList.lst")));
}

void TFullCheck::narrowCandidates() {
    m_present.emplace(m_s.mainPath);
    if (m_s.check.checkLevel != 0) {
        std::unique_ptr<filelist::TFileList> measured = FileHasher::measure(m_s, *m_s.CheckAll, true);
        if (measured)
            m_s.CheckAll = std::move(measured);
        return;
    }

    for (int a = 0; a < m_s.OldFileList->Count(); ++a) {
        const QString& name = m_s.OldFileList->GetItemByID(a)->Content.Name;
        const int id = m_s.CheckAll->GetId(name);
        const TFileItem* listed = m_s.NewFileList->GetItemByName(name);
        if (id >= 0 && listed && isCurrent(m_s.CheckAll->GetItemByID(id)->Content, listed->Content))
            m_s.CheckAll->DeleteById(id);
        m_s.view.setStepProgress(a, m_s.OldFileList->Count());
    }
}

bool TFullCheck::isCurrent(const TFileRecord& entry, const TFileRecord& listed) {
    // At levels 1 and 2 the entries carry what the hasher measured; at level 0 they carry
    // the list's record.
    const bool measured = m_s.check.checkLevel != 0;
    return FileComparer::check(m_s, measured ? &entry : nullptr, listed, m_present->contains(listed.Name)).current;
}

} // namespace kaldoria::update
