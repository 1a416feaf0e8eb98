#pragma once

#include <QtGlobal>

namespace kaldoria::download {

// What the downloader knows of one segment of the current download.
struct TSegmentStatus {
    bool Complete = false; // the segment has reported its end
    qint64 Loaded = 0;     // bytes of its current attempt at the last progress reading
    qint64 Size = 0;       // length of its range
};

} // namespace kaldoria::download
