#include "filelist/TMHThreads.h"

#include "filelist/TMHOneThread.h"
#include "platform/EventLoopWait.h"

#include <QTimer>

#include <algorithm>
#include <tuple>
#include <vector>

namespace kaldoria::filelist {

namespace {

// How often the user-interface thread collects finished files: short enough for a smooth
// progress display, long enough that a burst of small files costs one wake-up.
constexpr int collectIntervalMs = 2;

// The names of `list`, the first of each key, in key order, with their sizes in the list.
// The names are shared with the list's items, not copied, so that a batch of many files
// starts at once.
std::pair<QStringList, std::vector<qint64>> namesInKeyOrder(const TFileList& list) {
    struct Named {
        QString key;
        QString name;
        qint64 size;
    };
    std::vector<Named> named;
    named.reserve(std::size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const TFileRecord& record = list.GetItemByID(i)->Content;
        named.push_back(Named{list.Key(i), record.Name, record.Size});
    }
    if (!list.Sorted()) {
        std::stable_sort(named.begin(), named.end(), [](const Named& a, const Named& b) { return a.key < b.key; });
        const auto sameKey = [](const Named& a, const Named& b) { return a.key == b.key; };
        named.erase(std::unique(named.begin(), named.end(), sameKey), named.end());
    }
    QStringList names;
    std::vector<qint64> sizes;
    names.reserve(qsizetype(named.size()));
    sizes.reserve(named.size());
    for (Named& n : named) {
        names.append(std::move(n.name));
        sizes.push_back(n.size);
    }
    return {std::move(names), std::move(sizes)};
}

} // namespace

TMHThreads::TMHThreads(platform::CancelToken cancel) : m_cancel(std::move(cancel)) {}

TMHThreads::~TMHThreads() {
    detachWorkers();
}

std::unique_ptr<TFileList> TMHThreads::CalculateHash(const QString& path, const TFileList& filelist, int threads) {
    detachWorkers();
    m_newlist = std::make_unique<TFileList>(true);
    m_newlist->setCancelToken(m_cancel);
    std::vector<qint64> sizes;
    std::tie(m_names, sizes) = namesInKeyOrder(filelist);
    const int workers = int(std::min<qsizetype>(threads, m_names.size()));
    m_remaining = int(m_names.size());
    m_complete = false;

    if (workers > 0) {
        m_work = std::make_shared<TMHWork>();
        m_work->withHash = ModeIsHaveHash;
        if (ModeIsHaveHash && SkipHashOfOtherSize)
            m_work->listedSizes = std::move(sizes);
        m_work->folder = path;
        m_work->names = m_names;
        m_work->ownerCancel = m_cancel;
        for (int i = 0; i < workers; ++i)
            (new TMHOneThread(m_work))->start();

        QTimer collector;
        collector.setTimerType(Qt::PreciseTimer);
        QObject::connect(&collector, &QTimer::timeout, [this, work = m_work] { collect(work); });
        collector.start(collectIntervalMs);
        if (platform::waitWhileDispatching([this] { return m_complete; }, m_cancel) != platform::WaitOutcome::Done)
            return giveUp();
    }
    // The last file's event may have cancelled the batch.
    if (m_cancel.isCancelled())
        return giveUp();
    m_work.reset();
    return std::move(m_newlist);
}

void TMHThreads::collect(const std::shared_ptr<TMHWork>& work) {
    for (const auto& [index, result] : work->collect()) {
        if (m_work != work || m_cancel.isCancelled())
            return; // a handler gave the batch up, or cancelled it
        onComplete(index, result);
    }
}

void TMHThreads::onComplete(int index, const TMHMeasurement& result) {
    const QString name = m_names.at(index);
    m_newlist->AddItemSimple(name, result.hash, ZeroDigest(), result.size, result.date);
    if (OnThreadFileProceed)
        OnThreadFileProceed(this, name, result.hash, result.size, result.date);
    if (--m_remaining == 0)
        m_complete = true;
}

void TMHThreads::detachWorkers() {
    if (m_work)
        m_work->released = true;
    m_work.reset();
}

std::unique_ptr<TFileList> TMHThreads::giveUp() {
    detachWorkers();
    m_newlist.reset();
    return nullptr;
}

} // namespace kaldoria::filelist
