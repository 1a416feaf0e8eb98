#include "filelist/TMHThreads.h"

#include "filelist/TMHOneThread.h"
#include "platform/EventLoopWait.h"
#include "platform/TerminateRequest.h"

#include <algorithm>

namespace kaldoria::filelist {

using platform::TerminateRequest;

TMHThreads::TMHThreads() = default;

TMHThreads::~TMHThreads() {
    detachWorkers();
}

std::unique_ptr<TFileList> TMHThreads::CalculateHash(const QString& path, const TFileList& filelist, int threads) {
    const int first = std::min(threads, filelist.Count());
    m_newlist = std::make_unique<TFileList>(true);
    m_filelist.Clear();
    for (int i = 0; i < filelist.Count(); ++i) {
        const TFileItem* item = filelist.GetItemByID(i);
        m_filelist.AddItem(item->Content.Name, std::make_unique<TFileItem>(*item));
    }
    m_path = path;
    m_complete = false;
    m_cnt = 0;
    m_pos = -1;

    for (int i = 0; i < first; ++i) {
        if (m_pos + 1 >= m_filelist.Count())
            break;
        auto* worker = new TMHOneThread(QString());
        worker->ModeIsHaveHash = ModeIsHaveHash;
        worker->OnComplete = [this](TMHOneThread* sender) { onComplete(sender); };
        handOutNext(worker);
        m_workers.push_back(worker);
        worker->start();
    }

    if (m_cnt > 0 && platform::waitWhileDispatching([this] { return m_complete; }) != platform::WaitOutcome::Done) {
        detachWorkers();
        m_newlist.reset();
        return nullptr;
    }
    if (TerminateRequest::isRequested()) {
        TerminateRequest::endProgram();
        detachWorkers();
        m_newlist.reset();
        return nullptr;
    }
    return std::move(m_newlist);
}

bool TMHThreads::handOutNext(TMHOneThread* worker) {
    ++m_pos;
    if (m_pos >= m_filelist.Count())
        return false;
    worker->measureNext(m_path + m_filelist.GetItemByID(m_pos)->Content.Name);
    ++m_cnt;
    return true;
}

void TMHThreads::onComplete(TMHOneThread* worker) {
    const QString name = worker->filename().mid(m_path.size());
    const TMHOneThread::Measurement& m = worker->result();
    m_newlist->AddItemSimple(name, m.hash, ZeroDigest(), m.size, m.date);
    if (OnThreadFileProceed)
        OnThreadFileProceed(this, name, m.hash, m.size, m.date);
    --m_cnt;
    if (!handOutNext(worker))
        std::erase(m_workers, worker);
    if (m_cnt == 0)
        m_complete = true;
    if (TerminateRequest::isRequested())
        TerminateRequest::endProgram();
}

void TMHThreads::detachWorkers() {
    for (TMHOneThread* worker : m_workers)
        worker->OnComplete = nullptr;
    m_workers.clear();
}

} // namespace kaldoria::filelist
