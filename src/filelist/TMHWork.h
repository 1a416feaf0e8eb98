#pragma once

#include "filelist/TFileRecord.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

namespace kaldoria::filelist {

// What a hashing worker measured of one file.
struct TMHMeasurement {
    QString hash = ZeroDigest();
    qint64 size = 0;
    TDateTime date = 0;
};

// The files of one hashing batch as its workers share them: the folder and the names, fixed
// before the first worker starts (a file's full path is the folder followed by its name); the
// index of the next file, which a worker takes with one atomic step (no file is measured twice
// and no worker waits for another); and the finished results on their way to the
// user-interface thread, which collects them on a short timer.
struct TMHWork {
    QString folder;       // read-only while workers run
    QStringList names;    // read-only while workers run
    bool withHash = true; // read-only while workers run
    std::atomic<int> next{0};
    std::atomic<bool> cancelled{false}; // workers take no further file once set

    // Adds a result, in finishing order.
    void deliver(int index, TMHMeasurement result) {
        std::lock_guard lock(m_mutex);
        m_finished.emplace_back(index, std::move(result));
    }

    // The results delivered since the last call, in finishing order.
    std::vector<std::pair<int, TMHMeasurement>> collect() {
        std::vector<std::pair<int, TMHMeasurement>> finished;
        std::lock_guard lock(m_mutex);
        finished.swap(m_finished);
        return finished;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<int, TMHMeasurement>> m_finished;
};

} // namespace kaldoria::filelist
