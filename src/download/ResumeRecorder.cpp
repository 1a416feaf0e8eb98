#include "download/ResumeRecorder.h"

#include "platform/RandomAccessFile.h"

namespace kaldoria::download {

ResumeRecorder::ResumeRecorder() : m_thread([this] { run(); }) {}

ResumeRecorder::~ResumeRecorder() {
    stop();
}

void ResumeRecorder::record(const QString& path, std::shared_ptr<const platform::RandomAccessFile> target,
                            ResumeRecord record) {
    {
        const std::lock_guard lock(m_mutex);
        m_pending[path] = {std::move(target), std::move(record)};
    }
    m_wake.notify_all();
}

void ResumeRecorder::forget(const QString& path) {
    std::unique_lock lock(m_mutex);
    m_pending.erase(path);
    m_wake.wait(lock, [&] { return m_writing != path; });
}

void ResumeRecorder::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ResumeRecorder::write(const platform::RandomAccessFile& target, const QString& path, const ResumeRecord& record) {
    return target.flush() && record.save(path);
}

void ResumeRecorder::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping)
            return;
        const auto next = m_pending.begin();
        const QString path = next->first;
        const Pending pending = std::move(next->second);
        m_pending.erase(next);
        m_writing = path;
        lock.unlock();
        write(*pending.target, path, pending.record);
        lock.lock();
        m_writing.clear();
        m_wake.notify_all();
    }
}

} // namespace kaldoria::download
