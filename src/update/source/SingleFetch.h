#pragma once

#include "download/FetchJob.h"

namespace kaldoria::update {

// Fetches one file into `path` and waits for it while the user-interface thread's events are
// dispatched. An Aborted failure when termination was requested meanwhile; the target is
// then gone.
download::DownloadFailure fetchSingleFile(const download::FetchOptions& options, const QString& url,
                                          const QString& path);

} // namespace kaldoria::update
