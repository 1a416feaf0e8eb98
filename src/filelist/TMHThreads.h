#pragma once

#include "filelist/TFileList.h"
#include "filelist/TMHWork.h"

#include "platform/CancelToken.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kaldoria::filelist {

// Measures every file of a list with a few worker threads and returns what it measured as a
// new sorted list. The caller's user-interface thread stays in CalculateHash until all files
// are done but keeps dispatching events; the per-file event runs there, never on a worker.
//
// At most `threads` files are measured at once: that many workers are started per batch, and
// each takes the next file of the work list (in key order) when it has finished the last. The
// workers leave their results in the batch and never wait for the user-interface thread; a
// timer of that thread collects them every few milliseconds, adds them to the result and
// raises the event for each. A call per file (one thread start and one blocking hand-over
// each) would cap the throughput on many small files at the thread scheduler's pace.
//
// When the cancel token is cancelled the batch is given up: no further event is raised, the
// workers take no further file, and CalculateHash returns null.
class TMHThreads {
public:
    using FileProceedHandler = std::function<void(TMHThreads* sender, const QString& filename, const QString& hash,
                                                  qint64 size, TDateTime date)>;

    // `cancel` gives a running batch up; by default one that is never cancelled.
    explicit TMHThreads(platform::CancelToken cancel = {});
    ~TMHThreads();
    TMHThreads(const TMHThreads&) = delete;
    TMHThreads& operator=(const TMHThreads&) = delete;

    // Called once per file, after its entry was added to the result, in the order in which
    // the files finish.
    FileProceedHandler OnThreadFileProceed;
    // True: digests; false: size and date only, with zero digests.
    bool ModeIsHaveHash = true;
    // With digests: a file whose size is not the Size of its entry in the list is not read;
    // it gets an empty digest, which equals no listed digest (a file of another size cannot be
    // the listed one, and reading a large changed file only to learn that costs seconds).
    bool SkipHashOfOtherSize = false;

    bool isComplete() const { return m_complete; }

    // One entry per distinct key of `filelist`: its Name, the measured Hash, Size and Date,
    // and the zero digest as HashPacked. A file's full path is `path` followed directly by
    // its Name. `filelist` is not changed. Returns null, and only then, when the batch was
    // cancelled.
    std::unique_ptr<TFileList> CalculateHash(const QString& path, const TFileList& filelist, int threads);

private:
    // Takes the results the workers left since the last call.
    void collect(const std::shared_ptr<TMHWork>& work);
    void onComplete(int index, const TMHMeasurement& result);
    // Workers still running take no further file; their results are no longer collected.
    void detachWorkers();
    std::unique_ptr<TFileList> giveUp();

    QStringList m_names; // the names of the batch, one per distinct key, in key order
    std::unique_ptr<TFileList> m_newlist;
    int m_remaining = 0; // files not yet reported
    bool m_complete = false;
    std::shared_ptr<TMHWork> m_work;
    platform::CancelToken m_cancel;
};

} // namespace kaldoria::filelist
