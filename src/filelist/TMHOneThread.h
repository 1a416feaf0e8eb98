#pragma once

#include "filelist/TFileRecord.h"
#include "filelist/TMHWork.h"

#include <QString>
#include <QThread>

#include <memory>
#include <optional>

namespace kaldoria::filelist {

// A worker thread that measures files one at a time: the digest (or the zero digest), the
// size and the local last-write time. It takes the next file of its batch until none is left
// and leaves each result in the batch (TMHWork::deliver) for the user-interface thread; it
// never touches a list or the hasher, and never waits for the user-interface thread. It frees
// itself when it ends.
class TMHOneThread : public QThread {
    Q_OBJECT
public:
    using Measurement = TMHMeasurement;

    // A worker of `work`, not started yet.
    explicit TMHOneThread(std::shared_ptr<TMHWork> work);

    // Measures the file at `path` ("\" or "/" between its parts). A missing file or a folder
    // gives the zero digest, size 0 and date 0; so does a file whose digest failed. Without the
    // digest, size and date come from the directory entry alone. A file whose size is not
    // `hashOnlyAtSize` (when given) is not read and gets an empty digest.
    static Measurement measure(QString path, bool withHash, std::optional<qint64> hashOnlyAtSize = std::nullopt);

protected:
    void run() override;

private:
    const std::shared_ptr<TMHWork> m_work;
};

} // namespace kaldoria::filelist
