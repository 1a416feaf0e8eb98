#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace kaldoria::filelist {

using TDigest = std::array<std::uint8_t, 16>;         // in the byte order of RFC 1321
using TDigestLongWord = std::array<std::uint32_t, 4>; // the same bytes as words A, B, C, D (little-endian)

// The running state of one MD5 computation (RFC 1321) and its digest. Reading a digest
// pads a copy of the state, so more bytes may be appended afterwards and the next digest
// covers everything since the last reset. One thread at a time.
class TCustomMD5 {
public:
    TCustomMD5();

    TDigest Digest() const;
    TDigestLongWord DigestLongWord() const;
    // 32 upper-case hexadecimal digits, high four bits of each byte first.
    QString DigestStr() const;

protected:
    void resetState();
    // Appends bytes to the message; whole 64-byte blocks are compressed straight from `data`.
    void appendBytes(const void* data, std::size_t size);

private:
    const TDigest& finish() const;

    std::uint32_t m_chain[4];             // the chaining value A, B, C, D
    std::uint64_t m_bitCount = 0;         // message length in bits, modulo 2^64
    alignas(8) unsigned char m_block[64]; // bytes waiting for a whole block
    std::uint32_t m_blockLength = 0;      // 0 to 63
    mutable TDigest m_digest{};           // valid while m_changed is false
    mutable bool m_changed = true;
};

} // namespace kaldoria::filelist
