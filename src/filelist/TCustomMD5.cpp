#include "filelist/TCustomMD5.h"

#include "filelist/Md5Block.h"

#include <cstring>

namespace kaldoria::filelist {

TCustomMD5::TCustomMD5() {
    resetState();
}

void TCustomMD5::resetState() {
    m_chain[0] = 0x67452301;
    m_chain[1] = 0xefcdab89;
    m_chain[2] = 0x98badcfe;
    m_chain[3] = 0x10325476;
    m_bitCount = 0;
    m_blockLength = 0;
    m_changed = true;
}

void TCustomMD5::appendBytes(const void* data, std::size_t size) {
    auto input = static_cast<const unsigned char*>(data);
    m_bitCount += std::uint64_t(size) << 3;
    m_changed = true;
    if (m_blockLength > 0) {
        const std::size_t take = std::min<std::size_t>(64 - m_blockLength, size);
        std::memcpy(m_block + m_blockLength, input, take);
        m_blockLength += std::uint32_t(take);
        input += take;
        size -= take;
        if (m_blockLength < 64)
            return;
        md5CompressBlocks(m_chain, m_block, 1);
        m_blockLength = 0;
    }
    const std::size_t wholeBlocks = size / 64;
    if (wholeBlocks > 0)
        md5CompressBlocks(m_chain, input, wholeBlocks);
    m_blockLength = std::uint32_t(size % 64);
    std::memcpy(m_block, input + wholeBlocks * 64, m_blockLength);
}

const TDigest& TCustomMD5::finish() const {
    if (!m_changed)
        return m_digest;
    // Pad a copy: 0x80, zeros up to 56 bytes modulo 64, then the bit count little-endian.
    std::uint32_t chain[4] = {m_chain[0], m_chain[1], m_chain[2], m_chain[3]};
    unsigned char tail[128] = {};
    std::memcpy(tail, m_block, m_blockLength);
    tail[m_blockLength] = 0x80;
    const std::size_t tailLength = m_blockLength < 56 ? 64 : 128;
    for (int i = 0; i < 8; ++i)
        tail[tailLength - 8 + i] = static_cast<unsigned char>(m_bitCount >> (8 * i));
    md5CompressBlocks(chain, tail, tailLength / 64);
    for (int w = 0; w < 4; ++w) {
        for (int i = 0; i < 4; ++i)
            m_digest[std::size_t(4 * w + i)] = static_cast<std::uint8_t>(chain[w] >> (8 * i));
    }
    m_changed = false;
    return m_digest;
}

TDigest TCustomMD5::Digest() const {
    return finish();
}

TDigestLongWord TCustomMD5::DigestLongWord() const {
    const TDigest& digest = finish();
    TDigestLongWord words;
    for (int w = 0; w < 4; ++w) {
        words[std::size_t(w)] = 0;
        for (int i = 0; i < 4; ++i)
            words[std::size_t(w)] |= std::uint32_t(digest[std::size_t(4 * w + i)]) << (8 * i);
    }
    return words;
}

QString TCustomMD5::DigestStr() const {
    static constexpr char16_t hexDigits[] = u"0123456789ABCDEF";
    const TDigest& digest = finish();
    QString text(32, Qt::Uninitialized);
    QChar* out = text.data();
    for (const std::uint8_t byte : digest) {
        *out++ = QChar(hexDigits[byte >> 4]);
        *out++ = QChar(hexDigits[byte & 0x0f]);
    }
    return text;
}

} // namespace kaldoria::filelist
