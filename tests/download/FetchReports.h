#pragma once

#include "download/FetchJob.h"

#include <QSet>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace kaldoria::download {

// Collects a fetch engine's reports, which arrive on its thread.
class FetchReports {
public:
    void progress(quint64 id, qint64 received) {
        const std::lock_guard lock(m_mutex);
        m_progressed.insert(id);
        m_received[id] = received;
        m_changed.notify_all();
    }
    void done(const FetchOutcome& outcome) {
        const std::lock_guard lock(m_mutex);
        m_outcomes[outcome.id] = outcome;
        m_changed.notify_all();
    }
    void resumed(quint64 id, qint64 present) {
        const std::lock_guard lock(m_mutex);
        m_resumed[id].push_back(present);
    }
    // Waits until `count` files are done (at most a minute); their outcomes by id.
    std::map<quint64, FetchOutcome> waitForDone(size_t count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return m_outcomes.size() >= count; });
        return m_outcomes;
    }
    bool waitForProgress() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return !m_progressed.isEmpty(); });
    }
    // Waits until file `id` has received at least `bytes` (at most a minute).
    bool waitForReceived(quint64 id, qint64 bytes) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::minutes(1), [&] { return m_received[id] >= bytes; });
    }
    void clear() {
        const std::lock_guard lock(m_mutex);
        m_outcomes.clear();
        m_progressed.clear();
        m_received.clear();
        m_resumed.clear();
    }
    size_t doneCount() {
        const std::lock_guard lock(m_mutex);
        return m_outcomes.size();
    }
    // What the resume handler said of file `id`, in order.
    std::vector<qint64> resumedOf(quint64 id) {
        const std::lock_guard lock(m_mutex);
        return m_resumed[id];
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<quint64, FetchOutcome> m_outcomes;
    std::map<quint64, qint64> m_received;
    std::map<quint64, std::vector<qint64>> m_resumed;
    QSet<quint64> m_progressed;
};

} // namespace kaldoria::download
