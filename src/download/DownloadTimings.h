#pragma once

#include <chrono>

namespace kaldoria::download {

// The time constants of a download. The product uses these defaults; tests shorten them.
struct DownloadTimings {
    // A segment whose byte count has not moved for a whole interval is cut and started again.
    std::chrono::milliseconds watchdog{20000};
    // Interval of the overall progress report.
    std::chrono::milliseconds progress{500};
    // How often the length request, made on the user-interface thread, lets that thread
    // dispatch its events while it waits on the network.
    std::chrono::milliseconds dispatch{250};
};

} // namespace kaldoria::download
