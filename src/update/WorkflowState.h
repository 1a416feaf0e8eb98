#pragma once

#include "update/UpdateView.h"
#include "update/checks/CheckSettings.h"
#include "update/manifest/UpdateListSections.h"
#include "update/settings/UserSettings.h"
#include "update/source/LocalSource.h"

#include "download/FetchJob.h"
#include "filelist/TFileList.h"
#include "platform/CancelToken.h"
#include "startup/InterfaceTexts.h"
#include "trust/ManifestData.h"
#include "trust/TrustedKey.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kaldoria::update {

// What the steps of the update workflow share for one run: paths, the user's settings,
// the downloader, the four file lists and the window. Owned by TUpdateWorkflow; the step
// classes work on it by reference, all on the user-interface thread.
struct WorkflowState {
    explicit WorkflowState(UpdateView& v) : view(v) {}

    UpdateView& view;

    // The game folder (the program file's folder) and the work folder below it.
    QString mainPath;
    QString tmpPath;
    // The running program file.
    QString ownProgramPath;
    LocalSource localSource;
    UserSettings settings;
    CheckSettings check;

    // Cancelled when the launcher is to end (the close action, or the new program file has
    // taken over): every step gives its work up and returns, and the workflow ends the program.
    platform::CancelToken cancel;

    // How packed files are fetched: connections, stall time, ranges.
    download::FetchOptions fetchOptions;
    std::unique_ptr<filelist::TFileList> Required;
    std::unique_ptr<filelist::TFileList> NewFileList;
    std::unique_ptr<filelist::TFileList> CheckAll;
    std::unique_ptr<filelist::TFileList> OldFileList;
    // The sections of the server's list as fetched; its file lines are in NewFileList.
    UpdateListSections listSections;

    // The keys this launcher trusts for signed updates (its resource "trust"); empty for a
    // launcher that takes its updates unsigned.
    std::vector<trust::TrustedKey> trustedKeys;
    // Why the launcher's trusted keys could not be read; every list is refused then.
    QString trustFailure;
    // The files of the accepted signed manifest by name key; nothing for unsigned updates.
    std::optional<QHash<QString, trust::ManifestFile>> signedFiles;
    bool signedUpdates() const { return !trustedKeys.empty() || !trustFailure.isEmpty(); }

    // Base address of the chosen update server, as configured.
    QString URLMain;
    // Base addresses of the other servers that answered the probe, as configured: packed files
    // come from them too, each checked against URLMain's list.
    QStringList mirrors;
    // Set when the launcher's own program file has just been replaced.
    bool self = false;
    // This program was started by its predecessor's self-update: it does not replace
    // itself again, so that a launcher that never matches the list cannot restart forever.
    bool restarted = false;

    // Outcome of the run, for the headless exit code.
    int failedFiles = 0;
    bool listMissing = false;
    // The player has been told that the disk is full; once is enough.
    bool diskFullShown = false;

    // A line for the debug log; empty outside debug mode.
    std::function<void(const QString&)> debugLog;
    // Saves the user settings (before a restart after a self-update).
    std::function<void()> saveSettings;
    // Starts the new program file in place of this one: this process is replaced, or `cancel`
    // is cancelled so that it ends; returns with nothing else done when the new program could
    // not be started.
    std::function<void()> restartSelf;

    void log(const QString& line) const {
        if (debugLog)
            debugLog(line);
    }

    // Counts a client file that could not be updated and tells why: the debug log, and the
    // view's list of failures.
    void fileFailed(const QString& name, const QString& reason);
    // The status at the end of a check: the text `successEntry` when no file failed since
    // `failuresBefore` files had failed, otherwise how many failed, in the status line and
    // the message panel.
    void reportOutcome(startup::TextEntry successEntry, int failuresBefore);
    // The current language's text of `entry`.
    static QString text(startup::TextEntry entry) { return startup::interfaceText(entry); }
    // Why a download failed, for a log line; a full disk is also told to the player.
    QString downloadFailure(const download::DownloadFailure& failure);
    // Tells the player that the disk is full, once per run.
    void reportDiskFull(qint64 bytesNeeded, qint64 bytesFree);

    // The native path of a list name (starting with "\") below the game folder.
    QString clientPath(const QString& name) const;
    // "$tmp.kdz", "OldList.lst" and other files of the work folder.
    QString workFile(const QString& fileName) const { return tmpPath + QLatin1Char('/') + fileName; }
    // Copies `record` into the previous list, over an entry of the same name or as a new one.
    void recordPrevious(const filelist::TFileRecord& record);
    // The bare name of the running program file.
    QString ownProgramName() const;
};

} // namespace kaldoria::update
