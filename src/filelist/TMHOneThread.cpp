#include "filelist/TMHOneThread.h"

#include "filelist/TMD5.h"
#include "platform/DayCount.h"
#include "platform/FileEntry.h"
#include "platform/FileReader.h"
#include "platform/NativePath.h"

namespace kaldoria::filelist {

namespace {

void takeEntry(const platform::FileEntry& entry, TMHOneThread::Measurement& m) {
    m.size = entry.size;
    m.date = platform::DayCount::localFromUtcMsecs(entry.lastWriteUtcMsecs);
}

} // namespace

TMHOneThread::TMHOneThread(const QString& filename) : m_filename(filename) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TMHOneThread::measureNext(const QString& filename) {
    m_filename = filename;
    m_hasNext = true;
}

TMHOneThread::Measurement TMHOneThread::measure(const QString& filename, bool withHash) {
    Measurement m;
    const QString path = platform::nativePath(filename);
    if (!withHash) {
        const std::optional<platform::FileEntry> entry = platform::FileEntry::read(path);
        if (entry && !entry->isDirectory)
            takeEntry(*entry, m);
        return m;
    }
    platform::FileReader file;
    if (!file.open(path))
        return m;
    TMD5 md5;
    if (!md5.AddOpenFile(file, filename).ok())
        return m;
    m.hash = md5.DigestStr();
    if (const std::optional<platform::FileEntry> entry = file.entry())
        takeEntry(*entry, m);
    return m;
}

void TMHOneThread::run() {
    for (;;) {
        m_result = measure(m_filename, ModeIsHaveHash);
        m_hasNext = false;
        // The user-interface thread runs the handler while this thread waits, so the handler
        // may read the results and set the next file without a lock.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (OnComplete)
                    OnComplete(this);
            },
            Qt::BlockingQueuedConnection);
        if (!m_hasNext)
            return;
    }
}

} // namespace kaldoria::filelist
