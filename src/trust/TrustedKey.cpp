#include "trust/TrustedKey.h"

#include "trust/OpenSslKey.h"

#include "platform/FileSync.h"

#include <QFile>
#include <QSaveFile>

#include <openssl/evp.h>

namespace kaldoria::trust {

namespace {

constexpr qsizetype kRawSize = 32;
constexpr qsizetype kSignatureSize = 64;
// A PEM key file is a few hundred bytes; anything far larger is not one.
constexpr qint64 kPemFileLimit = 64 * 1024;

} // namespace

Result<TrustedKey> TrustedKey::fromPem(QByteArrayView pem) {
    std::shared_ptr<EVP_PKEY> key = openssl::readPem(pem, false);
    if (!key)
        return Result<TrustedKey>::failure(QStringLiteral("no Ed25519 public key in PEM form"));
    return TrustedKey(std::move(key));
}

Result<TrustedKey> TrustedKey::readPem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<TrustedKey>::failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    Result<TrustedKey> key = fromPem(file.read(kPemFileLimit));
    if (!key.ok())
        return Result<TrustedKey>::failure(QStringLiteral("%1: %2").arg(path, key.error()));
    return key;
}

Result<TrustedKey> TrustedKey::fromRaw(QByteArrayView raw) {
    if (raw.size() != kRawSize)
        return Result<TrustedKey>::failure(
            QStringLiteral("an Ed25519 public key has 32 bytes, not %1").arg(raw.size()));
    std::shared_ptr<EVP_PKEY> key = openssl::own(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(raw.data()), std::size_t(raw.size())));
    if (!key)
        return Result<TrustedKey>::failure(openssl::lastError());
    return TrustedKey(std::move(key));
}

QByteArray TrustedKey::toPem() const {
    return openssl::writePem(m_key.get(), false);
}

QByteArray TrustedKey::raw() const {
    QByteArray bytes(kRawSize, '\0');
    std::size_t size = std::size_t(bytes.size());
    if (EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(bytes.data()), &size) != 1)
        return {};
    return bytes;
}

QString TrustedKey::writePem(const QString& path) const {
    const QByteArray pem = toPem();
    QSaveFile file(path);
    if (pem.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(pem) != pem.size() ||
        !platform::commitToDisk(file))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

bool TrustedKey::verify(QByteArrayView message, QByteArrayView signature) const {
    if (signature.size() != kSignatureSize)
        return false;
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    // Ed25519 hashes the message itself: no digest is named.
    const bool good =
        ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get()) == 1 &&
        EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                         std::size_t(signature.size()), reinterpret_cast<const unsigned char*>(message.data()),
                         std::size_t(message.size())) == 1;
    if (!good)
        openssl::lastError(); // a bad signature leaves an entry in OpenSSL's queue
    return good;
}

} // namespace kaldoria::trust
