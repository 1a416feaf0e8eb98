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

TMHOneThread::Measurement TMHOneThread::measure(QString path, bool withHash, std::optional<qint64> hashOnlyAtSize) {
    // The name as spelled is tried first; only when that fails is it looked up ignoring case.
    path.replace(u'\\', u'/');
    Measurement m;
    if (!withHash) {
        std::optional<platform::FileEntry> entry = platform::FileEntry::read(path);
        if (!entry)
            entry = platform::FileEntry::read(platform::nativePath(path));
        if (entry && !entry->isDirectory)
            takeEntry(*entry, m);
        return m;
    }
    platform::FileReader file;
    if (!file.open(path) && !file.open(platform::nativePath(path)))
        return m;
    if (hashOnlyAtSize && file.entry().size != *hashOnlyAtSize) {
        takeEntry(file.entry(), m);
        m.hash.clear();
        return m;
    }
    TMD5 md5;
    if (!md5.AddOpenFile(file, path).ok())
        return m;
    m.hash = md5.DigestStr();
    takeEntry(file.entry(), m);
    return m;
}

void TMHOneThread::run() {
    const int count = int(m_work->names.size());
    while (!m_work->stopped()) {
        const int index = m_work->next.fetch_add(1, std::memory_order_relaxed);
        if (index >= count)
            return;
        const std::optional<qint64> hashOnlyAtSize =
            m_work->listedSizes.empty() ? std::nullopt : std::optional(m_work->listedSizes.at(size_t(index)));
        m_work->deliver(index, measure(m_work->folder + m_work->names.at(index), m_work->withHash, hashOnlyAtSize));
    }
}

} // namespace kaldoria::filelist
