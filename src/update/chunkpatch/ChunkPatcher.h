#pragma once

#include "update/chunkpatch/ChunkAssembly.h"
#include "update/chunkpatch/ChunkPlan.h"
#include "update/install/InstallTask.h"

#include "download/FetchJob.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace kaldoria::update {

// Brings files to their new version through the server's chunk store, fetching only what the
// old local copy lacks: the file's chunk index first (checked against the signed manifest when
// there is one), then the old local copy is cut the same way (unless the index kept when the
// launcher put that copy in place still describes it), the chunks it lacks are fetched
// all at once, and the new file is assembled beside the old one as they arrive, judged by the
// list's MD5 (and the signed SHA-256), and renamed into place. Any failure on the way (no
// index, a chunk that cannot be had, a wrong file) hands the file back to be fetched whole,
// after one more try of a chunk that arrived damaged.
//
// A chunk is fetched once for the run, however many files need it: the files that plan it
// while it is on its way or at hand share its fetched form, which is removed when the last of
// them has used it. Its bytes count among the bytes to fetch of the file that asked first.
//
// Without a signed manifest the launcher cannot know whether the server keeps chunks: the
// first file's index is asked for alone, and when it is missing every file comes whole.
//
// Runs on one thread: the install pipeline's work thread.
class ChunkPatcher {
public:
    struct Hooks {
        std::function<void(download::FetchJob job)> fetch;
        // The file is to be fetched whole.
        std::function<void(int task)> fetchWhole;
        // The bytes the file's chunks come to, and then how many of them arrived.
        std::function<void(int task, qint64 bytesToFetch)> planned;
        std::function<void(int task, qint64 arrived, qint64 bytesToFetch)> progress;
        std::function<void(int task)> assembling; // every chunk arrived
        std::function<void(int task)> placed;     // the new file is in place
        std::function<void(const QString& line)> log;
    };

    // Fetch job numbers from here on are the patcher's.
    static constexpr quint64 kFirstJobId = quint64(1) << 40;
    static bool owns(quint64 jobId) { return jobId >= kFirstJobId; }

    explicit ChunkPatcher(Hooks hooks);
    // Removes what unfinished files left: fetched chunks, indexes, assembled parts.
    ~ChunkPatcher();

    ChunkPatcher(const ChunkPatcher&) = delete;
    ChunkPatcher& operator=(const ChunkPatcher&) = delete;

    // Starts on a task with an index address; `task` must outlive the patcher.
    void begin(const InstallTask& task);
    // An outcome of one of the patcher's fetch jobs.
    void fetched(const download::FetchOutcome& outcome);

private:
    enum class Support { Unknown, Probing, Present, Absent };
    struct Patch {
        const InstallTask* task = nullptr;
        std::optional<chunks::ChunkIndex> index;
        QByteArray indexText; // as fetched and checked, to be kept once the file is in place
        std::unique_ptr<ChunkPlan> plan;
        std::unique_ptr<ChunkAssembly> assembly;
        // The chunks this file fetches for the run, and how many of their bytes arrived.
        int chunksToFetch = 0;
        qint64 bytesToFetch = 0;
        qint64 arrivedBytes = 0;
        qint64 storedBytes = 0; // as fetched, compressed
        bool ended = false;
        bool plannedFromKept = false; // the local file's chunks came from its kept index
    };
    // A chunk fetched for every file of the run that plans it.
    struct SharedChunk {
        chunks::ChunkEntry entry;
        QString path;        // its fetched form
        int fetcher = -1;    // the file whose bytes to fetch count it, while that file needs it
        std::set<int> users; // the files that still need it
        bool inFlight = false;
        bool arrived = false;
        bool triedAgain = false;
    };
    struct Job {
        int task = 0;
        std::optional<trust::Sha256Digest> chunk; // none for the index, which `task` fetches
        QString path;
    };

    void fetchIndex(Patch& patch);
    void indexArrived(Patch& patch, const download::FetchOutcome& outcome, const QString& path);
    // Reads and checks the fetched index; the reason when it cannot be used.
    QString readIndex(Patch& patch, const QString& path);
    void plan(Patch& patch);
    // Makes the patch a user of each chunk it must fetch; returns the chunks no other file
    // asked for, which the patch is to fetch.
    std::vector<SharedChunk*> shareChunks(Patch& patch);
    void fetchChunk(const Patch& patch, SharedChunk& shared);
    void chunkArrived(const trust::Sha256Digest& digest, const download::FetchOutcome& outcome, const QString& path);
    // Every file that needs the chunk gives up on its chunks.
    void fallBackUsers(const trust::Sha256Digest& digest, const QString& reason);
    // The file needs the chunk no more: the chunk's fetched form goes with its last user.
    void release(int task, const trust::Sha256Digest& digest);
    void advance(Patch& patch);
    void complete(Patch& patch);
    // Why the assembled file is not the one the list (or the signed manifest) names; nothing
    // when it is.
    static QString wrongWhole(const InstallTask& task, const ChunkAssembly::Digest& digest);
    void planAgainByCutting(Patch& patch, const QString& reason);
    // The first file's index answered or not: the files that waited for it go on.
    void settleSupport(bool present);
    void fallBack(Patch& patch, const QString& reason);
    void clear(Patch& patch);
    QString chunkPath(const Patch& patch, const trust::Sha256Digest& digest) const;

    Hooks m_hooks;
    std::map<int, Patch> m_patches;
    std::map<quint64, Job> m_jobs;
    std::map<trust::Sha256Digest, SharedChunk> m_chunks;
    quint64 m_nextJob = kFirstJobId;
    Support m_support = Support::Unknown;
    std::vector<int> m_waiting; // signed-less files waiting to learn whether the server has chunks
};

} // namespace kaldoria::update
