#include "download/SegmentPlan.h"

#include <algorithm>

namespace kaldoria::download {

namespace {

// `numerator` / `denominator` rounded to the nearest whole number, a half to the even one.
qint64 divideRoundHalfEven(qint64 numerator, qint64 denominator) {
    const qint64 quotient = numerator / denominator;
    const qint64 twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

} // namespace

int limitThreads(int threads) {
    return std::clamp(threads, 1, kMaxSegments);
}

QList<SegmentRange> planSegments(qint64 length, int threads) {
    threads = limitThreads(threads);
    int count = threads;
    if (length < 100000)
        count = 1;
    else if (length < 1000000)
        count = std::min(2, threads);

    const qint64 segmentSize = divideRoundHalfEven(length, count);
    QList<SegmentRange> ranges;
    for (int i = 1; i <= count; ++i) {
        const qint64 first = (i - 1) * segmentSize;
        const qint64 last = i == count ? length - 1 : i * segmentSize - 1;
        ranges.append({first, last});
    }
    return ranges;
}

} // namespace kaldoria::download
