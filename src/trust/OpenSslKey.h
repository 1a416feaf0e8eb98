#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

// What the two key classes share of OpenSSL: owning a key, reading and writing PEM text.
namespace kaldoria::trust::openssl {

std::shared_ptr<EVP_PKEY> own(EVP_PKEY* key);

// The key of PEM text, private or public as asked; null unless it holds an Ed25519 key.
std::shared_ptr<EVP_PKEY> readPem(QByteArrayView pem, bool privateKey);
QByteArray writePem(EVP_PKEY* key, bool privateKey);

// The reason OpenSSL gives for its last failure (and its error queue emptied), for messages.
QString lastError();

} // namespace kaldoria::trust::openssl
