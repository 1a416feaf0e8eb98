#pragma once

#include "filelist/TFileList.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace kaldoria::filelist {

class TMHOneThread;

// Measures every file of a list with a few worker threads and returns what it measured as a
// new sorted list. The caller's user-interface thread stays in CalculateHash until all files
// are done but keeps dispatching events; the per-file event runs there, never on a worker.
//
// At most `threads` files are measured at once. Workers are reused: when a worker reports a
// file, the completion handler hands it the next file of the work list instead of starting a
// new thread, which keeps many small files from being dominated by thread start-up.
class TMHThreads {
public:
    using FileProceedHandler = std::function<void(TMHThreads* sender, const QString& filename, const QString& hash,
                                                  qint64 size, TDateTime date)>;

    TMHThreads();
    ~TMHThreads();
    TMHThreads(const TMHThreads&) = delete;
    TMHThreads& operator=(const TMHThreads&) = delete;

    // Called once per file, after its entry was added to the result, in the order in which
    // the files finish.
    FileProceedHandler OnThreadFileProceed;
    // True: digests; false: size and date only, with zero digests.
    bool ModeIsHaveHash = true;

    bool isComplete() const { return m_complete; }

    // One entry per distinct key of `filelist`: its Name, the measured Hash, Size and Date,
    // and the zero digest as HashPacked. A file's full path is `path` followed directly by
    // its Name. `filelist` is not changed. Returns null only when termination was requested
    // and ending the program returned (a test hook); the program has ended otherwise.
    std::unique_ptr<TFileList> CalculateHash(const QString& path, const TFileList& filelist, int threads);

private:
    // Gives `worker` the next file of the work list, or lets it end when none is left.
    bool handOutNext(TMHOneThread* worker);
    void onComplete(TMHOneThread* worker);
    // Workers still running stop calling back into this object and end on their own.
    void detachWorkers();

    TFileList m_filelist{true};
    std::unique_ptr<TFileList> m_newlist;
    QString m_path;
    int m_cnt = 0;
    int m_pos = -1;
    bool m_complete = false;
    std::vector<TMHOneThread*> m_workers; // running workers of the current batch
};

} // namespace kaldoria::filelist
