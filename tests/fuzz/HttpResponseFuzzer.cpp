// Fuzz target for reading an HTTP answer's head: any header lines give a status, a length
// and a range start that the downloader can rely on (no negative range start, a length of
// -1 or more), without a crash.
#include "net/HttpResponseHead.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using kaldoria::net::HttpResponseHead;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    HttpResponseHead head;
    for (const QByteArray& line : bytes.split('\n'))
        head.addLine(line);
    if (head.contentLength() < -1)
        std::abort();
    if (const auto range = head.contentRange();
        range && (range->first < 0 || range->last < range->first || (range->total >= 0 && range->total <= range->last)))
        std::abort();
    head.header("Content-Range");
    head.header("Location");
    return 0;
}
