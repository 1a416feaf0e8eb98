#pragma once

#include "filelist/TFileRecord.h"

#include <QString>
#include <QThread>

#include <functional>

namespace kaldoria::filelist {

// A worker thread that measures files one at a time: the digest (or the zero digest), the
// size and the local last-write time. After each file it hands itself to the user-interface
// thread with a blocking call that runs OnComplete there; the handler may give it the next
// file (measureNext), otherwise the worker ends and frees itself. The worker reads only its
// own fields and the file system.
class TMHOneThread : public QThread {
    Q_OBJECT
public:
    using CompleteHandler = std::function<void(TMHOneThread* sender)>;

    struct Measurement {
        QString hash = ZeroDigest();
        qint64 size = 0;
        TDateTime date = 0;
    };

    // A worker for the full path `filename`, not started yet. OnComplete and ModeIsHaveHash
    // are set before start() and not changed while it runs (OnComplete may be cleared on the
    // user-interface thread: the worker then ends after its current file).
    explicit TMHOneThread(const QString& filename);

    CompleteHandler OnComplete;
    bool ModeIsHaveHash = true; // false: size and date only, the zero digest

    // The file just measured and its results, for OnComplete.
    const QString& filename() const { return m_filename; }
    const Measurement& result() const { return m_result; }

    // Called inside OnComplete: measure `filename` next instead of ending.
    void measureNext(const QString& filename);

    // Measures one file. A missing file or a folder gives the zero digest, size 0 and date 0;
    // so does a file whose digest failed. Without the digest, size and date come from the
    // directory entry alone.
    static Measurement measure(const QString& filename, bool withHash);

protected:
    void run() override;

private:
    QString m_filename;
    Measurement m_result;
    bool m_hasNext = false;
};

} // namespace kaldoria::filelist
