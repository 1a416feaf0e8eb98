#include "update/checks/TRequiredFilesCheck.h"

#include "update/checks/ClientFolderIndex.h"
#include "update/checks/FileComparer.h"
#include "update/checks/FileHasher.h"
#include "update/chunkpatch/KeptIndex.h"
#include "update/install/InstallRun.h"
#include "update/install/PartialDownloads.h"
#include "update/manifest/UpdateListSections.h"

#include "platform/PlantedLinks.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kaldoria::update {

using filelist::TFileItem;
using filelist::TFileList;

namespace {
constexpr int kProgressEveryLines = 10;

QStringList namesOf(const TFileList& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.GetItemByID(i)->Content.Name;
    return names;
}
} // namespace

void TRequiredFilesCheck::resetOneFileControls() {
    m_s.view.setStepProgress(0, m_s.Required->Count());
}

void TRequiredFilesCheck::CheckingRequiredFiles() {
    m_s.check.applyFrom(m_s.settings.checkMode, m_s.settings.driveType);
    const QString listPath = m_s.mainPath + QStringLiteral("/updater.lst");
    if (QFileInfo::exists(listPath)) {
        readList(listPath);
        if (m_s.cancel.isCancelled())
            return;
    }
    for (int i = 0; i < m_s.NewFileList->Count(); ++i) {
        const filelist::TFileRecord& r = m_s.NewFileList->GetItemByID(i)->Content;
        if (m_s.Required->GetId(r.Name) < 0)
            m_s.CheckAll->AddItemSimple(r.Name, r.Hash, r.HashPacked, r.Size, r.Date);
    }
    compare();
    // What an earlier run left of files this one does not need is of no further use.
    if (!m_s.cancel.isCancelled()) {
        PartialDownloads::removeUnwanted(m_s.tmpPath, namesOf(*m_s.Required));
        KeptIndex::removeUnlisted(m_s.tmpPath, namesOf(*m_s.NewFileList));
    }
    m_s.view.setStepProgress(1, 1);
    if (m_s.Required->Count() > 0) {
        UpdateRequiredFiles();
        return;
    }
    m_s.view.setTotalProgress(1, 1);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("100%"));
    finish(startup::TextEntry::NothingToUpdate);
    if (m_previousChanged)
        m_s.OldFileList->SaveToFile(m_s.workFile(QStringLiteral("OldList.lst")));
}

void TRequiredFilesCheck::readList(const QString& listPath) {
    const QString oldListPath = m_s.workFile(QStringLiteral("OldList.lst"));
    if (QFileInfo::exists(oldListPath))
        m_s.OldFileList->LoadFromFile(oldListPath);
    // The list was read and its file lines loaded when it was fetched.
    QFile::remove(listPath);
    resetOneFileControls();

    const UpdateListSections& sections = m_s.listSections;
    for (const QString& refused : sections.refused)
        m_s.log(QStringLiteral("Refused name outside the client folder: ") + refused);
    const ClientFolderIndex present(m_s.mainPath);
    for (qsizetype i = 0; i < sections.fileLines.size(); ++i) {
        const QString name = UpdateListSections::nameAfterHash(sections.fileLines.at(i));
        if (!present.contains(name)) {
            m_s.Required->AddItemEmpty(name);
            m_missing.insert(filelist::TFileList::KeyOf(name));
            forgetMissing(name);
        }
        if (i % kProgressEveryLines == 0)
            m_s.view.setStepProgress(static_cast<int>(i), static_cast<int>(sections.fileLines.size()));
    }
    resetOneFileControls();
    for (const QString& name : sections.requiredNames)
        m_s.Required->AddItemEmpty(name);
    for (const QString& name : sections.deleteNames) {
        // A file behind a linked folder is not the client's: it is left alone.
        const QString path = m_s.clientPath(name);
        if (platform::PlantedLinks::passesThroughLink(m_s.mainPath, path))
            m_s.log(QStringLiteral("Refused deletion through a link: ") + name);
        else
            QFile::remove(path);
        // A deleted file is no longer installed: the previous list stops naming it, so that
        // the file is fetched again should a later list bring it back.
        const int recorded = m_s.OldFileList->GetId(name);
        if (recorded >= 0 && !QFileInfo::exists(path)) {
            m_s.OldFileList->DeleteById(recorded);
            m_previousChanged = true;
        }
    }
    resetOneFileControls();

    if (m_s.check.checkLevel != 0 && m_s.Required->Count() > 0) {
        std::unique_ptr<TFileList> measured = FileHasher::measure(m_s, *m_s.Required, false);
        if (measured)
            m_s.Required = std::move(measured);
    }
}

void TRequiredFilesCheck::forgetMissing(const QString& name) {
    // The previous list never claims a file that is not on disk.
    const int recorded = m_s.OldFileList->GetId(name);
    if (recorded >= 0) {
        m_s.OldFileList->DeleteById(recorded);
        m_previousChanged = true;
    }
}

void TRequiredFilesCheck::compare() {
    // At levels 1 and 2 the entries carry what the hasher measured; at level 0 nothing is measured.
    const bool measured = m_s.check.checkLevel != 0;
    int i = 0;
    while (i < m_s.Required->Count()) {
        TFileItem* entry = m_s.Required->GetItemByID(i);
        const TFileItem* listed = m_s.NewFileList->GetItemByName(entry->Content.Name);
        if (!listed) {
            // A required name that the list does not describe has no digest, size or date to
            // install it by.
            m_s.log(QStringLiteral("Required file not in the list, skipped: ") + entry->Content.Name);
            m_s.Required->DeleteById(i);
            continue;
        }
        const bool onDisk = !m_missing.contains(TFileList::KeyOf(listed->Content.Name));
        const FileComparer::Verdict verdict =
            FileComparer::check(m_s, measured ? &entry->Content : nullptr, listed->Content, onDisk);
        m_previousChanged = m_previousChanged || verdict.recordPrevious;
        if (verdict.current) {
            m_s.Required->DeleteById(i);
        } else {
            // The file is installed by the server's record: its digests, its size (which bounds
            // the extraction) and its date.
            entry->Content = listed->Content;
            ++i;
        }
    }
}

void TRequiredFilesCheck::UpdateRequiredFiles() {
    const int count = m_s.Required->Count();
    if (count == 0)
        return;
    m_s.view.setTotalProgress(0, 1);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("0%"));
    std::vector<filelist::TFileRecord> records;
    for (int i = 0; i < count; ++i)
        records.push_back(m_s.Required->GetItemByID(i)->Content);
    // The launcher's own program file goes first and alone: once it is replaced, the new
    // program takes over the rest.
    const auto own = std::find_if(records.begin(), records.end(), [this](const filelist::TFileRecord& record) {
        return filelist::TFileList::KeyOf(record.Name) ==
               filelist::TFileList::KeyOf(QLatin1Char('\\') + m_s.ownProgramName());
    });
    if (own != records.end()) {
        const filelist::TFileRecord ownRecord = *own;
        records.erase(own);
        m_s.self = false;
        if (!InstallRun(m_s).install({ownRecord}))
            return;
        if (m_s.self)
            restartAfterSelfUpdate();
        // The new program has taken over.
        if (m_s.cancel.isCancelled())
            return;
    }
    if (!InstallRun(m_s).install(records))
        return;
    m_s.view.setTotalProgress(1, 1);
    m_s.view.setTotalText(m_s.text(startup::TextEntry::TotalPrefix) + QStringLiteral("100%"));
    m_s.Required->Clear();
    finish(startup::TextEntry::UpdateFinished);
    m_s.OldFileList->SaveToFile(m_s.workFile(QStringLiteral("OldList.lst")));
}

void TRequiredFilesCheck::restartAfterSelfUpdate() {
    // The new program file takes over and runs the whole cycle again, starting from what this
    // run installed; should it not start, this process goes on with the remaining files.
    m_s.OldFileList->SaveToFile(m_s.workFile(QStringLiteral("OldList.lst")));
    if (m_s.saveSettings)
        m_s.saveSettings();
    if (m_s.restartSelf)
        m_s.restartSelf();
}

void TRequiredFilesCheck::finish(startup::TextEntry statusEntry) {
    m_s.reportOutcome(statusEntry, 0);
    m_s.view.setStartButtonEnabled(true);
    m_s.view.setCheckAllVisible(true);
}

} // namespace kaldoria::update
