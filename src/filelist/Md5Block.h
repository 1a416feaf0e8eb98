#pragma once

#include <cstddef>
#include <cstdint>

namespace kaldoria::filelist {

// The MD5 compression function of RFC 1321: runs `blocks` consecutive 64-byte blocks of
// `data` through the chaining value `state` (A, B, C, D).
void md5CompressBlocks(std::uint32_t state[4], const unsigned char* data, std::size_t blocks);

} // namespace kaldoria::filelist
