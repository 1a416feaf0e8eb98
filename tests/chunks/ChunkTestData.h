#pragma once

#include <chunks/FastCdc.h>

#include <QByteArray>

#include <random>
#include <vector>

// Content for cutting tests and the memory cutter they compare with.
namespace chunktest {

// `size` pseudo-random bytes; the same for the same seed on every platform (mt19937_64's
// sequence is fixed by the C++ standard).
inline QByteArray randomBytes(qsizetype size, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; i += 8) {
        const std::uint64_t word = random();
        for (qsizetype k = 0; k < 8 && i + k < size; ++k)
            bytes[i + k] = char(word >> (8 * k));
    }
    return bytes;
}

// The chunk lengths of `bytes` cut whole in memory.
inline std::vector<std::size_t> cutLengths(const QByteArray& bytes) {
    std::vector<std::size_t> lengths;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    for (std::size_t at = 0, size = std::size_t(bytes.size()); at < size;) {
        lengths.push_back(kaldoria::chunks::FastCdc::cut(data + at, size - at));
        at += lengths.back();
    }
    return lengths;
}

} // namespace chunktest
