#pragma once

#include "download/FetchJob.h"
#include "platform/CancelToken.h"

namespace kaldoria::update {

// Fetches one file into `path` and waits for it while the user-interface thread's events are
// dispatched. An Aborted failure when `cancel` was cancelled meanwhile; the target is then
// gone.
download::DownloadFailure fetchSingleFile(const download::FetchOptions& options, const QString& url,
                                          const QString& path, const platform::CancelToken& cancel);

} // namespace kaldoria::update
