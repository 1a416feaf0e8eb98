#include "trust/Sha256.h"

#include <QFile>

#include <openssl/evp.h>

#include <new>

namespace kaldoria::trust {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

QString toHex(const Sha256Digest& digest) {
    QString text;
    text.reserve(64);
    for (std::uint8_t byte : digest) {
        text += QLatin1Char(kHexDigits[byte >> 4]);
        text += QLatin1Char(kHexDigits[byte & 15]);
    }
    return text;
}

std::optional<Sha256Digest> sha256FromHex(QByteArrayView text) {
    Sha256Digest digest;
    if (text.size() != qsizetype(2 * digest.size()))
        return std::nullopt;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        digest[i] = std::uint8_t(high << 4 | low);
    }
    return digest;
}

struct Sha256::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
    void start() {
        if (!ctx || EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) != 1)
            throw std::bad_alloc(); // only an exhausted allocator makes SHA-256 fail to start
    }
};

Sha256::Sha256() : m_context(std::make_unique<Context>()) {
    m_context->start();
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::add(const void* data, std::size_t size) {
    if (size > 0)
        EVP_DigestUpdate(m_context->ctx, data, size);
}

Sha256Digest Sha256::finish() {
    Sha256Digest digest;
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->ctx, digest.data(), &length);
    m_context->start();
    return digest;
}

Sha256Digest Sha256::of(QByteArrayView bytes) {
    Sha256 sha;
    sha.add(bytes);
    return sha.finish();
}

Result<Sha256Digest> Sha256::ofFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Sha256Digest>::failure(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    Sha256 sha;
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0)
            return Result<Sha256Digest>::failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        if (got == 0)
            return sha.finish();
        sha.add(block.constData(), std::size_t(got));
    }
}

} // namespace kaldoria::trust
