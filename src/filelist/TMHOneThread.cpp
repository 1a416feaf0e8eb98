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

TMHOneThread::TMHOneThread(std::shared_ptr<TMHWork> work) : m_work(std::move(work)) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TMHOneThread::Measurement TMHOneThread::measure(const QString& filename, bool withHash) {
    // The name as spelled is tried first; only when that fails is it looked up ignoring case.
    const QString spelled = QString(filename).replace(u'\\', u'/');
    Measurement m;
    if (!withHash) {
        std::optional<platform::FileEntry> entry = platform::FileEntry::read(spelled);
        if (!entry)
            entry = platform::FileEntry::read(platform::nativePath(filename));
        if (entry && !entry->isDirectory)
            takeEntry(*entry, m);
        return m;
    }
    platform::FileReader file;
    if (!file.open(spelled) && !file.open(platform::nativePath(filename)))
        return m;
    TMD5 md5;
    if (!md5.AddOpenFile(file, filename).ok())
        return m;
    m.hash = md5.DigestStr();
    takeEntry(file.entry(), m);
    return m;
}

void TMHOneThread::run() {
    const int count = int(m_work->paths.size());
    while (!m_work->cancelled.load(std::memory_order_relaxed)) {
        const int index = m_work->next.fetch_add(1, std::memory_order_relaxed);
        if (index >= count)
            return;
        m_work->deliver(index, measure(m_work->paths.at(index), m_work->withHash));
    }
}

} // namespace kaldoria::filelist
