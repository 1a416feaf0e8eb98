#include "filelist/TMHThreads.h"

#include "filelist/TMHOneThread.h"
#include "platform/EventLoopWait.h"
#include "platform/TerminateRequest.h"

#include <QTimer>

#include <algorithm>

namespace kaldoria::filelist {

using platform::TerminateRequest;

namespace {

// How often the user-interface thread collects finished files: short enough for a smooth
// progress display, long enough that a burst of small files costs one wake-up.
constexpr int collectIntervalMs = 2;

} // namespace

TMHThreads::TMHThreads() = default;

TMHThreads::~TMHThreads() {
    detachWorkers();
}

std::unique_ptr<TFileList> TMHThreads::CalculateHash(const QString& path, const TFileList& filelist, int threads) {
    detachWorkers();
    m_newlist = std::make_unique<TFileList>(true);
    m_filelist.Assign(filelist);
    const int workers = std::min(threads, m_filelist.Count());
    m_remaining = m_filelist.Count();
    m_complete = false;

    if (workers > 0) {
        m_work = std::make_shared<TMHWork>();
        m_work->withHash = ModeIsHaveHash;
        m_work->paths.reserve(m_filelist.Count());
        for (int i = 0; i < m_filelist.Count(); ++i)
            m_work->paths.append(path + m_filelist.GetItemByID(i)->Content.Name);
        for (int i = 0; i < workers; ++i)
            (new TMHOneThread(m_work))->start();

        QTimer collector;
        collector.setTimerType(Qt::PreciseTimer);
        QObject::connect(&collector, &QTimer::timeout, [this, work = m_work] { collect(work); });
        collector.start(collectIntervalMs);
        if (platform::waitWhileDispatching([this] { return m_complete; }) != platform::WaitOutcome::Done)
            return giveUp();
    }
    if (TerminateRequest::isRequested()) {
        TerminateRequest::endProgram();
        return giveUp();
    }
    m_work.reset();
    return std::move(m_newlist);
}

void TMHThreads::collect(const std::shared_ptr<TMHWork>& work) {
    for (const auto& [index, result] : work->collect()) {
        if (m_work != work || TerminateRequest::isRequested())
            return; // a handler gave the batch up, or the program is ending
        onComplete(index, result);
    }
}

void TMHThreads::onComplete(int index, const TMHMeasurement& result) {
    const QString name = m_filelist.GetItemByID(index)->Content.Name;
    m_newlist->AddItemSimple(name, result.hash, ZeroDigest(), result.size, result.date);
    if (OnThreadFileProceed)
        OnThreadFileProceed(this, name, result.hash, result.size, result.date);
    if (--m_remaining == 0)
        m_complete = true;
    if (TerminateRequest::isRequested())
        TerminateRequest::endProgram();
}

void TMHThreads::detachWorkers() {
    if (m_work)
        m_work->cancelled = true;
    m_work.reset();
}

std::unique_ptr<TFileList> TMHThreads::giveUp() {
    detachWorkers();
    m_newlist.reset();
    return nullptr;
}

} // namespace kaldoria::filelist
