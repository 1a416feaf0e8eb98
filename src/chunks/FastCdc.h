#pragma once

#include <cstddef>
#include <cstdint>

namespace kaldoria::chunks {

// Content-defined chunk borders (FastCDC with normalised chunking): a gear hash rolls over
// the bytes and a border falls where its top bits are all zero, so a border depends only on
// the 64 bytes before it. Inserting or deleting bytes moves the borders near the edit and
// leaves the others where they were, relative to the content around them.
//
// Chunks are at least kMinSize bytes (only a file's last chunk may be shorter) and at most
// kMaxSize; over random content they average about 73 KiB. Before kAverageSize the border
// test uses a mask of 18 bits (rarely true), after it one of 14 bits (often true), which
// draws lengths towards the average. The gear table and the masks are fixed: the publisher
// and every launcher must cut the same content at the same places.
class FastCdc {
public:
    static constexpr std::size_t kMinSize = 16 * 1024;
    static constexpr std::size_t kAverageSize = 64 * 1024;
    static constexpr std::size_t kMaxSize = 256 * 1024;

    // The length of the chunk that starts at `data`, of `size` available bytes: from 1 to
    // kMaxSize, and all of `size` when it is at most kMinSize. Only the first kMaxSize
    // bytes count, so give at least that many unless the content ends sooner.
    static std::size_t cut(const std::uint8_t* data, std::size_t size);
};

} // namespace kaldoria::chunks
