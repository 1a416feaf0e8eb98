#include "update/signing/TrustResource.h"

namespace kaldoria::update {

namespace {

constexpr QByteArrayView kBegin("-----BEGIN PUBLIC KEY-----");
constexpr QByteArrayView kEnd("-----END PUBLIC KEY-----");
// More keys than any operator rotates through; a resource past it is not a key list.
constexpr size_t kMostKeys = 64;

using Keys = std::vector<trust::TrustedKey>;

} // namespace

trust::Result<Keys> TrustResource::parse(QByteArrayView pem) {
    Keys keys;
    qsizetype at = 0;
    for (;;) {
        const qsizetype begin = pem.indexOf(kBegin, at);
        if (!pem.sliced(at, (begin < 0 ? pem.size() : begin) - at).trimmed().isEmpty())
            return trust::Result<Keys>::failure(QStringLiteral("the trusted keys hold text outside a PEM block"));
        if (begin < 0)
            break;
        const qsizetype end = pem.indexOf(kEnd, begin);
        if (end < 0)
            return trust::Result<Keys>::failure(QStringLiteral("the trusted keys end inside a PEM block"));
        at = end + kEnd.size();
        trust::Result<trust::TrustedKey> key = trust::TrustedKey::fromPem(pem.sliced(begin, at - begin));
        if (!key.ok())
            return trust::Result<Keys>::failure(QStringLiteral("trusted key %1: ").arg(keys.size() + 1) + key.error());
        keys.push_back(std::move(key).value());
        if (keys.size() > kMostKeys)
            return trust::Result<Keys>::failure(QStringLiteral("more than %1 trusted keys").arg(kMostKeys));
    }
    if (keys.empty())
        return trust::Result<Keys>::failure(QStringLiteral("the trusted keys hold no key"));
    return keys;
}

} // namespace kaldoria::update
