#include "trust/OpenSslKey.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <climits>

namespace kaldoria::trust::openssl {

namespace {

std::unique_ptr<BIO, decltype(&BIO_free)> memoryBio() {
    return {BIO_new(BIO_s_mem()), &BIO_free};
}

} // namespace

std::shared_ptr<EVP_PKEY> own(EVP_PKEY* key) {
    if (!key)
        return nullptr;
    return std::shared_ptr<EVP_PKEY>(key, &EVP_PKEY_free);
}

std::shared_ptr<EVP_PKEY> readPem(QByteArrayView pem, bool privateKey) {
    if (pem.size() > INT_MAX)
        return nullptr;
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), int(pem.size())), &BIO_free);
    if (!bio)
        return nullptr;
    // No password callback: an encrypted key must not make the library prompt on a terminal.
    const auto noPassword = [](char*, int, int, void*) { return 0; };
    std::shared_ptr<EVP_PKEY> key = own(privateKey ? PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassword, nullptr)
                                                   : PEM_read_bio_PUBKEY(bio.get(), nullptr, noPassword, nullptr));
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519)
        return nullptr;
    return key;
}

QByteArray writePem(EVP_PKEY* key, bool privateKey) {
    const auto bio = memoryBio();
    if (!bio)
        return {};
    const int written = privateKey ? PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr)
                                   : PEM_write_bio_PUBKEY(bio.get(), key);
    if (written != 1)
        return {};
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, qsizetype(size));
}

QString lastError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("unknown OpenSSL error");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace kaldoria::trust::openssl
