#include "update/checks/TFullCheck.h"

#include "update/checks/FileHasher.h"
#include "update/install/InstallRun.h"

#include "platform/FileTimes.h"
#include "platform/TerminateRequest.h"

namespace kaldoria::update {

using filelist::TFileItem;
using filelist::TFileRecord;
using Pair = ProgressModel::Pair;

void TFullCheck::CheckingAllFiles() {
    if (m_s.CheckAll->Count() == 0)
        return;
    m_s.view.setCheckAllEnabled(false);
    m_s.check.applyFrom(m_s.settings.checkMode, m_s.settings.driveType);
    m_s.progress.setPosition(Pair::OneFile, 0);
    m_s.progress.setMaximum(Pair::OneFile, m_s.CheckAll->Count());
    narrowCandidates();
    if (platform::TerminateRequest::isRequested())
        return;

    std::vector<filelist::TFileRecord> records;
    for (int i = 0; i < m_s.CheckAll->Count(); ++i) {
        const TFileItem* entry = m_s.CheckAll->GetItemByID(i);
        const TFileItem* listed = m_s.NewFileList->GetItemByName(entry->Content.Name);
        if (listed && !isCurrent(entry->Content, listed->Content))
            records.push_back(listed->Content);
    }
    m_s.progress.scaleToWidth(Pair::Total);
    m_s.progress.setPosition(Pair::Total, 0);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("0%"));
    m_s.progress.scaleToWidth(Pair::OneFile);
    if (!InstallRun(m_s).install(records))
        return;
    m_s.progress.toMaximum(Pair::Total);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("100%"));
    for (int i = m_s.OldFileList->Count() - 1; i >= 0; --i) {
        if (m_s.NewFileList->GetId(m_s.OldFileList->GetItemByID(i)->Content.Name) < 0)
            m_s.OldFileList->DeleteById(i);
    }
    m_s.OldFileList->SaveToFile(m_s.workFile(QStringLiteral("OldList.lst")));
}

void TFullCheck::narrowCandidates() {
    if (m_s.check.checkLevel != 0) {
        std::unique_ptr<filelist::TFileList> measured = FileHasher::measure(m_s, *m_s.CheckAll);
        if (measured)
            m_s.CheckAll = std::move(measured);
        return;
    }
    m_s.progress.setMaximum(Pair::OneFile, m_s.OldFileList->Count());
    for (int a = 0; a < m_s.OldFileList->Count(); ++a) {
        const TFileRecord& previous = m_s.OldFileList->GetItemByID(a)->Content;
        const int id = m_s.CheckAll->GetId(previous.Name);
        if (id >= 0 && m_s.CheckAll->GetItemByID(id)->Content.Hash == previous.Hash)
            m_s.CheckAll->DeleteById(id);
        m_s.progress.setPosition(Pair::OneFile, a);
    }
}

bool TFullCheck::isCurrent(const TFileRecord& entry, const TFileRecord& listed) {
    switch (m_s.check.checkLevel) {
    case 2:
        if (entry.Hash != listed.Hash)
            return false;
        m_s.recordPrevious(listed);
        if (listed.Date != 0)
            platform::SetFileTimes(m_s.clientPath(listed.Name), 7, listed.Date);
        return true;
    case 1:
        if (entry.Size != listed.Size || entry.Date != platform::dateAsStored(listed.Date))
            return false;
        m_s.recordPrevious(listed);
        return true;
    default: {
        const TFileItem* previous = m_s.OldFileList->GetItemByName(listed.Name);
        return previous && previous->Content.Hash == listed.Hash;
    }
    }
}

} // namespace kaldoria::update
