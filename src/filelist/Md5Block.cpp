#include "filelist/Md5Block.h"

#include <bit>
#include <cstring>

namespace kaldoria::filelist {

namespace {

// The message words of a block, little-endian.
inline std::uint32_t word(const unsigned char* block, int i) {
    std::uint32_t w;
    std::memcpy(&w, block + 4 * i, 4);
    if constexpr (std::endian::native == std::endian::big)
        w = __builtin_bswap32(w);
    return w;
}

inline std::uint32_t rotl(std::uint32_t x, int s) {
    return (x << s) | (x >> (32 - s));
}

// The four round functions, each written so that the longest chain runs through the fewest
// operations after b, the value computed last: the constant and message word are added to a
// first, and in G the two halves are added separately instead of being ORed.
inline std::uint32_t stepF(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk,
                           int s) {
    a += xk;
    a += d ^ (b & (c ^ d));
    return rotl(a, s) + b;
}

inline std::uint32_t stepG(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk,
                           int s) {
    a += xk;
    a += c & ~d;
    a += b & d;
    return rotl(a, s) + b;
}

inline std::uint32_t stepH(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk,
                           int s) {
    a += xk;
    a += b ^ (c ^ d);
    return rotl(a, s) + b;
}

inline std::uint32_t stepI(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t xk,
                           int s) {
    a += xk;
    a += c ^ (b | ~d);
    return rotl(a, s) + b;
}

} // namespace

// The 64 steps spelled out: each names its message word, constant and shift, as in RFC 1321.
#define MD5_ROUND4(step, i0, i1, i2, i3, k0, k1, k2, k3, s0, s1, s2, s3)                                               \
    a = step(a, b, c, d, x[i0] + k0, s0);                                                                              \
    d = step(d, a, b, c, x[i1] + k1, s1);                                                                              \
    c = step(c, d, a, b, x[i2] + k2, s2);                                                                              \
    b = step(b, c, d, a, x[i3] + k3, s3);

void md5CompressBlocks(std::uint32_t state[4], const unsigned char* data, std::size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, data += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = word(data, i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        MD5_ROUND4(stepF, 0, 1, 2, 3, 0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 7, 12, 17, 22)
        MD5_ROUND4(stepF, 4, 5, 6, 7, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501, 7, 12, 17, 22)
        MD5_ROUND4(stepF, 8, 9, 10, 11, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 7, 12, 17, 22)
        MD5_ROUND4(stepF, 12, 13, 14, 15, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821, 7, 12, 17, 22)

        MD5_ROUND4(stepG, 1, 6, 11, 0, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 5, 9, 14, 20)
        MD5_ROUND4(stepG, 5, 10, 15, 4, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8, 5, 9, 14, 20)
        MD5_ROUND4(stepG, 9, 14, 3, 8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 5, 9, 14, 20)
        MD5_ROUND4(stepG, 13, 2, 7, 12, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 5, 9, 14, 20)

        MD5_ROUND4(stepH, 5, 8, 11, 14, 0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 4, 11, 16, 23)
        MD5_ROUND4(stepH, 1, 4, 7, 10, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 4, 11, 16, 23)
        MD5_ROUND4(stepH, 13, 0, 3, 6, 0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 4, 11, 16, 23)
        MD5_ROUND4(stepH, 9, 12, 15, 2, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 4, 11, 16, 23)

        MD5_ROUND4(stepI, 0, 7, 14, 5, 0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 6, 10, 15, 21)
        MD5_ROUND4(stepI, 12, 3, 10, 1, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1, 6, 10, 15, 21)
        MD5_ROUND4(stepI, 8, 15, 6, 13, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 6, 10, 15, 21)
        MD5_ROUND4(stepI, 4, 11, 2, 9, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391, 6, 10, 15, 21)

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_ROUND4

} // namespace kaldoria::filelist
