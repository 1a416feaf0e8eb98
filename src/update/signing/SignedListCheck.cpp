#include "update/signing/SignedListCheck.h"

#include "trust/SignedManifest.h"

#include <QDateTime>

namespace kaldoria::update {

namespace {

using Outcome = trust::Result<SignedListCheck::Accepted>;

Outcome refused(const QString& why) {
    return Outcome::failure(QStringLiteral("the signed manifest is refused: ") + why);
}

QString utcText(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

} // namespace

Outcome SignedListCheck::check(QByteArrayView manifest, const trust::Sha256Digest& list,
                               const std::vector<trust::TrustedKey>& launcherKeys, const TrustState& state,
                               qint64 nowSeconds) {
    trust::Result<trust::ParsedManifest> parsed = trust::SignedManifest::parse(manifest);
    if (!parsed.ok())
        return refused(parsed.error());
    // After a rotation only the keys named by the last accepted manifest sign the next one.
    const std::vector<trust::TrustedKey>& trusted = state.nextKeys.empty() ? launcherKeys : state.nextKeys;
    if (const QString wrong = trust::SignedManifest::verify(parsed.value(), trusted); !wrong.isEmpty())
        return refused(wrong);
    trust::ManifestData data = std::move(parsed).value().data;
    if (data.expiredAt(nowSeconds))
        return refused(QStringLiteral("it expired at ") + utcText(data.expires));
    if (data.serial < state.serial) {
        return refused(QStringLiteral("its serial %1 is older than the serial %2 accepted before")
                           .arg(data.serial)
                           .arg(state.serial));
    }
    if (data.list != list) {
        return refused(QStringLiteral("the list has SHA-256 %1, the manifest signs %2")
                           .arg(trust::toHex(list), trust::toHex(data.list)));
    }
    Accepted accepted{.data = std::move(data), .state = state};
    accepted.state.serial = accepted.data.serial;
    if (!accepted.data.nextKeys.empty())
        accepted.state.nextKeys = accepted.data.nextKeys;
    return accepted;
}

} // namespace kaldoria::update
