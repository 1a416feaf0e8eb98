#pragma once

#include <QList>
#include <QtGlobal>

namespace kaldoria::download {

// One byte range of a file, both offsets inclusive.
struct SegmentRange {
    qint64 first = 0;
    qint64 last = 0;

    qint64 length() const { return last - first + 1; }
    bool operator==(const SegmentRange&) const = default;
};

inline constexpr int kMaxSegments = 10;

// `threads` limited to 1 to kMaxSegments.
int limitThreads(int threads);

// How a file of `length` bytes (above 0) is cut for at most `threads` segments: one segment
// below 100000 bytes, at most two below 1000000, else `threads`. Every segment gets the
// length divided by the count, rounded half to even; the last one takes what is left over.
QList<SegmentRange> planSegments(qint64 length, int threads);

} // namespace kaldoria::download
