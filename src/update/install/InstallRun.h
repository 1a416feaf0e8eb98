#pragma once

#include "update/WorkflowState.h"
#include "update/install/InstallPipeline.h"
#include "update/install/TSingleFileUpdate.h"

#include <QObject>

#include <optional>
#include <vector>

namespace kaldoria::update {

// Brings many client files to the server's records at once, on the user-interface thread's
// side of the install pipeline: readies each file, starts the pipeline, and follows its
// events. Everything the player and the work folder see follows the records' order, however
// the files finish: the status names the oldest unfinished file ("Downloading" or
// "Unpacking"), the one-file bar shows its bytes, and files are recorded in the previous
// list, or counted as failed, in order. The total bar counts the bytes of all files, each
// weighted by the size the list gives it, or by the bytes of the chunks it lacks when it is
// patched from chunks. The pipeline works on its own threads, so a
// window or a message that holds the user-interface thread does not hold the downloads.
class InstallRun {
public:
    explicit InstallRun(WorkflowState& state);

    // Returns when every file has been installed or has failed; false when the run's cancel
    // token was cancelled meanwhile (the pipeline has then stopped, and no unfinished file is
    // recorded or has a packed file left).
    bool install(const std::vector<filelist::TFileRecord>& records);

private:
    struct FileState {
        qint64 weight = 1;
        qint64 received = 0;
        qint64 length = -1;
        bool unpacking = false;
        bool done = false;
        std::optional<InstallTask> task;
        std::optional<InstallResult> result;
    };

    // With mirrors taking part: what each server delivered, and how fast.
    void logServers();
    void bytesArrived(int index, qint64 received, qint64 length);
    // The file's download comes to `bytesToFetch` bytes: its weight in the total from now on.
    void planned(int index, qint64 bytesToFetch);
    void unpackingStarted(int index);
    void fileDone(const InstallResult& result);
    // Reports every finished file at the front of the order, then shows the front.
    void reportInOrder();
    void report(FileState& file, const filelist::TFileRecord& record);
    void showFront();
    void showTotal();

    WorkflowState& m_s;
    TSingleFileUpdate m_updater;
    std::vector<filelist::TFileRecord> m_records;
    std::vector<FileState> m_files;
    size_t m_front = 0; // files before it are reported
    QString m_status;
    int m_totalPercent = -1;
    bool m_active = false;
    // Receives the pipeline's events on the user-interface thread; declared before the
    // pipeline, so that the pipeline has stopped before it goes.
    QObject m_context;
    std::optional<InstallPipeline> m_pipeline;
};

} // namespace kaldoria::update
