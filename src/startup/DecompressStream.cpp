#include "startup/DecompressStream.h"

#include <bzlib.h>

#include <memory>

namespace kaldoria::startup {

namespace {

constexpr int kChunk = 65536;

struct Decompressor {
    bz_stream stream{};
    bool open = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK;
    ~Decompressor() {
        if (open)
            BZ2_bzDecompressEnd(&stream);
    }
};

} // namespace

bool DecompressStream(QIODevice& source, QIODevice& target, std::optional<qint64> maxOutput) {
    Decompressor bz;
    if (!bz.open)
        return false;
    auto in = std::make_unique<char[]>(kChunk);
    auto out = std::make_unique<char[]>(kChunk);
    qint64 written = 0;
    for (;;) {
        if (bz.stream.avail_in == 0) {
            const qint64 got = source.read(in.get(), kChunk);
            if (got <= 0)
                return false; // the data ended before the bzip2 stream did
            bz.stream.next_in = in.get();
            bz.stream.avail_in = unsigned(got);
        }
        bz.stream.next_out = out.get();
        bz.stream.avail_out = kChunk;
        const int rc = BZ2_bzDecompress(&bz.stream);
        if (rc != BZ_OK && rc != BZ_STREAM_END)
            return false;
        const qint64 produced = kChunk - bz.stream.avail_out;
        written += produced;
        if (maxOutput && written > *maxOutput)
            return false;
        if (produced > 0 && target.write(out.get(), produced) != produced)
            return false;
        if (rc == BZ_STREAM_END)
            return true;
    }
}

} // namespace kaldoria::startup
