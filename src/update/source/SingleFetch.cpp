#include "update/source/SingleFetch.h"

#include "download/FetchEngine.h"
#include "platform/EventLoopWait.h"

#include <QCoreApplication>

#include <atomic>
#include <mutex>

namespace kaldoria::update {

download::DownloadFailure fetchSingleFile(const download::FetchOptions& options, const QString& url,
                                          const QString& path, const platform::CancelToken& cancel) {
    std::mutex mutex;
    std::optional<download::DownloadFailure> outcome;
    download::FetchEngine engine(options, {}, [&](const download::FetchOutcome& fetched) {
        {
            const std::lock_guard lock(mutex);
            outcome = fetched.failure;
        }
        // Wakes the wait below.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    });
    engine.fetch({.id = 0, .url = url, .path = path});
    const platform::WaitOutcome waited = platform::waitWhileDispatching(
        [&] {
            const std::lock_guard lock(mutex);
            return outcome.has_value();
        },
        cancel);
    engine.stop();
    if (waited != platform::WaitOutcome::Done) {
        download::DownloadFailure aborted;
        aborted.kind = download::DownloadFailure::Kind::Aborted;
        aborted.message = QStringLiteral("terminate request");
        return aborted;
    }
    return *outcome;
}

} // namespace kaldoria::update
