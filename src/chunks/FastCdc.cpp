#include "chunks/FastCdc.h"

#include <algorithm>
#include <array>

namespace kaldoria::chunks {

namespace {

// 256 pseudo-random 64-bit values from SplitMix64 with a fixed seed, made at compile time.
// Changing the seed or the generator moves every border of every published file.
constexpr std::array<std::uint64_t, 256> makeGearTable() {
    std::array<std::uint64_t, 256> table{};
    std::uint64_t state = 0x4b616c646f726961; // "Kaldoria"
    for (std::uint64_t& value : table) {
        state += 0x9e3779b97f4a7c15;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        value = z ^ (z >> 31);
    }
    return table;
}

constexpr std::array<std::uint64_t, 256> kGear = makeGearTable();

// The top `bits` bits: after a shift-and-add step, bit k of the hash depends on the last
// k + 1 bytes, so the top bits see the widest window.
constexpr std::uint64_t topBits(int bits) {
    return ~std::uint64_t(0) << (64 - bits);
}

// log2(kAverageSize) = 16; two bits more before the average, two fewer after it.
constexpr std::uint64_t kMaskBeforeAverage = topBits(18);
constexpr std::uint64_t kMaskAfterAverage = topBits(14);

} // namespace

std::size_t FastCdc::cut(const std::uint8_t* data, std::size_t size) {
    if (size <= kMinSize)
        return size;
    const std::size_t end = std::min(size, kMaxSize);
    const std::size_t average = std::min(end, kAverageSize);
    std::uint64_t hash = 0;
    // The first kMinSize bytes can hold no border, so the hash starts rolling there.
    std::size_t i = kMinSize;
    for (; i < average; ++i) {
        hash = (hash << 1) + kGear[data[i]];
        if ((hash & kMaskBeforeAverage) == 0)
            return i + 1;
    }
    for (; i < end; ++i) {
        hash = (hash << 1) + kGear[data[i]];
        if ((hash & kMaskAfterAverage) == 0)
            return i + 1;
    }
    return end;
}

} // namespace kaldoria::chunks
