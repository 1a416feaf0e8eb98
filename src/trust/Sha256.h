#pragma once

#include "trust/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace kaldoria::trust {

using Sha256Digest = std::array<std::uint8_t, 32>;

// 64 lower-case hexadecimal digits.
QString toHex(const Sha256Digest& digest);
// The digest written by toHex; nothing unless `text` is exactly 64 lower-case hexadecimal digits.
std::optional<Sha256Digest> sha256FromHex(QByteArrayView text);

// A SHA-256 digest fed piece by piece, so that bytes can be hashed while they arrive (a
// download, a file read in blocks). One thread at a time; a finished object starts over.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;

    void add(const void* data, std::size_t size);
    void add(QByteArrayView bytes) { add(bytes.data(), std::size_t(bytes.size())); }
    // The digest of everything added since construction or the last finish; the object
    // then holds the empty message again.
    Sha256Digest finish();

    // The digest of `bytes`.
    static Sha256Digest of(QByteArrayView bytes);
    // The digest of the file at `path`, read in blocks; the reason when it cannot be read.
    static Result<Sha256Digest> ofFile(const QString& path);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

} // namespace kaldoria::trust
