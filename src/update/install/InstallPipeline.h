#pragma once

#include "update/chunkpatch/ChunkPatcher.h"
#include "update/install/InstallTask.h"

#include "download/FetchEngine.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kaldoria::update {

// Installs many files at once: their packed forms are fetched several at a time, each is
// checked against its digests while the next ones arrive (a wrong one is fetched again, up to
// three attempts), and extracted on a thread of its own, so that unpacking overlaps with the
// downloads. A signed file's extracted form must match its signed digest before it is put in
// place. A file whose chunk index the server has is patched from chunks instead (see
// ChunkPatcher), and fetched whole when that fails. The handlers run on the pipeline's
// threads, in the order things happen, not in the order of the tasks.
class InstallPipeline {
public:
    struct Handlers {
        std::function<void(int index, qint64 received, qint64 length)> bytes;
        // The bytes a file's download comes to, when they are fewer than its size (only the
        // chunks its local copy lacks), or its size again when it is fetched whole after all.
        std::function<void(int index, qint64 bytesToFetch)> planned;
        std::function<void(int index)> unpacking; // fetched and checked, extraction next
        std::function<void(const InstallResult& result)> done;
        std::function<void(const QString& line)> log; // debug log lines
    };

    InstallPipeline(download::FetchOptions options, Handlers handlers);
    // stop().
    ~InstallPipeline();

    InstallPipeline(const InstallPipeline&) = delete;
    InstallPipeline& operator=(const InstallPipeline&) = delete;

    // Starts every task; `done` follows once for each.
    void start(std::vector<InstallTask> tasks);

    // Ends the downloads, lets an extraction in progress finish, and removes every packed file
    // still waiting; no handler runs after it returns.
    void stop();

    // What each server delivered so far: the list's server first, then the mirrors in the
    // order of the tasks' mirror addresses.
    std::vector<download::ServerTally> servers() const { return m_engine.servers(); }

    static constexpr int kAttempts = 3;

private:
    void fetched(const download::FetchOutcome& outcome);
    void fetchAttempt(InstallTask& task, int attempt);
    // After a packed file that differs from the list: when mirrors sent some of its bytes, they
    // are named in the log and left out of the file's next fetch. True when they were.
    bool leaveMirrors(InstallTask& task, const download::FetchOutcome& outcome);
    void resumed(int index, qint64 present);
    // Runs on the work thread: extractions, and the chunk patcher's steps in between.
    void workLoop();
    void postPatchStep(std::function<void()> step);
    ChunkPatcher::Hooks patcherHooks();
    void unpack(const InstallTask& task);
    // The file's new version is in place: its date is set and the task is done.
    void placed(const InstallTask& task);
    // The local-source copy of the packed file and its digest check; the failure, if any.
    QString copyLocal(const InstallTask& task);
    void finish(const InstallTask& task, InstallResult result);

    Handlers m_handlers;
    std::vector<InstallTask> m_tasks;
    std::vector<int> m_attempts;
    download::FetchEngine m_engine;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<int> m_toUnpack;
    std::deque<std::function<void()>> m_patchSteps;
    bool m_stopping = false;
    ChunkPatcher m_patcher; // on the work thread only
    std::thread m_worker;
};

} // namespace kaldoria::update
