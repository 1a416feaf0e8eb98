#pragma once

#include "trust/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

namespace kaldoria::trust {

// An Ed25519 public key that signatures are checked against. Its text form is PEM
// (SubjectPublicKeyInfo, "-----BEGIN PUBLIC KEY-----"); inside a manifest it travels as its
// 32 raw bytes. Copies share one immutable key, so a key may be used from several threads.
class TrustedKey {
public:
    // The key in PEM text; the reason when the text holds no Ed25519 public key.
    static Result<TrustedKey> fromPem(QByteArrayView pem);
    // The key in the PEM file at `path`.
    static Result<TrustedKey> readPem(const QString& path);
    // The key from its 32 raw bytes.
    static Result<TrustedKey> fromRaw(QByteArrayView raw);

    QByteArray toPem() const;
    QByteArray raw() const;

    // Writes the PEM text to `path` (replacing a file there) through a temporary file that
    // is renamed over it once complete. The reason on failure, else empty.
    QString writePem(const QString& path) const;

    // Whether `signature` is this key's Ed25519 signature of exactly `message`.
    bool verify(QByteArrayView message, QByteArrayView signature) const;

    bool operator==(const TrustedKey& other) const { return raw() == other.raw(); }

private:
    friend class SigningKey;
    explicit TrustedKey(std::shared_ptr<EVP_PKEY> key) : m_key(std::move(key)) {}

    std::shared_ptr<EVP_PKEY> m_key;
};

} // namespace kaldoria::trust
