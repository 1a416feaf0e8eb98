#include "trust/SigningKey.h"

#include "trust/OpenSslKey.h"

#include "platform/FileSync.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

namespace kaldoria::trust {

namespace {

constexpr std::size_t kSignatureSize = 64;
constexpr qint64 kPemFileLimit = 64 * 1024;

} // namespace

Result<SigningKey> SigningKey::generate() {
    std::shared_ptr<EVP_PKEY> key = openssl::own(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key)
        return Result<SigningKey>::failure(QStringLiteral("cannot make a key: ") + openssl::lastError());
    return SigningKey(std::move(key));
}

Result<SigningKey> SigningKey::fromPem(QByteArrayView pem) {
    std::shared_ptr<EVP_PKEY> key = openssl::readPem(pem, true);
    if (!key)
        return Result<SigningKey>::failure(QStringLiteral("no unencrypted Ed25519 private key in PEM form"));
    return SigningKey(std::move(key));
}

Result<SigningKey> SigningKey::readPem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<SigningKey>::failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    Result<SigningKey> key = fromPem(file.read(kPemFileLimit));
    if (!key.ok())
        return Result<SigningKey>::failure(QStringLiteral("%1: %2").arg(path, key.error()));
    return key;
}

QString SigningKey::writeNewPem(const QString& path) const {
    const QByteArray pem = openssl::writePem(m_key.get(), true);
    if (pem.isEmpty())
        return QStringLiteral("cannot write the key: ") + openssl::lastError();
    // Created exclusively with owner-only permissions: the key is never readable by others,
    // not even for a moment, and an existing file (or a link planted there) is never followed.
    QFile file(path);
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        return QStringLiteral("%1 exists already; a key is never overwritten").arg(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
    if (file.write(pem) != pem.size() || !file.flush() || !platform::syncFile(path)) {
        const QString reason = file.errorString();
        file.remove();
        return QStringLiteral("cannot write %1: %2").arg(path, reason);
    }
    file.close();
    return {};
}

TrustedKey SigningKey::publicKey() const {
    // The private key holds its public half; a public-only copy keeps the secret out of it.
    unsigned char raw[32];
    std::size_t size = sizeof raw;
    EVP_PKEY_get_raw_public_key(m_key.get(), raw, &size);
    return TrustedKey(openssl::own(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw, size)));
}

Result<QByteArray> SigningKey::sign(QByteArrayView message) const {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    QByteArray signature(qsizetype(kSignatureSize), '\0');
    std::size_t size = kSignatureSize;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(message.data()), std::size_t(message.size())) != 1 ||
        size != kSignatureSize)
        return Result<QByteArray>::failure(QStringLiteral("cannot sign: ") + openssl::lastError());
    return signature;
}

} // namespace kaldoria::trust
