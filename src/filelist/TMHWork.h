#pragma once

#include "filelist/TFileRecord.h"

#include "platform/CancelToken.h"

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
    // Read-only while workers run: when not empty, each name's size in the list; a file of
    // another size is not hashed.
    std::vector<qint64> listedSizes;
    platform::CancelToken ownerCancel; // read-only while workers run: the hasher's token
    std::atomic<int> next{0};
    std::atomic<bool> released{false}; // set when the hasher lets this batch go

    // Workers take no further file once the batch was let go or its owner's token cancelled.
    bool stopped() const { return released.load(std::memory_order_relaxed) || ownerCancel.isCancelled(); }

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
