#pragma once

#include "update/signing/TrustState.h"

#include "trust/ManifestData.h"
#include "trust/Result.h"
#include "trust/Sha256.h"
#include "trust/TrustedKey.h"

#include <QByteArrayView>

#include <vector>

namespace kaldoria::update {

// Decides whether a server's list may be used by a launcher that trusts keys: the signed
// manifest fetched with it must be well formed, signed by a trusted key (the keys the last
// accepted manifest named for its successor, else the launcher's own), not expired, not older
// than the one accepted before, and name the SHA-256 of exactly this list.
class SignedListCheck {
public:
    struct Accepted {
        trust::ManifestData data;
        // What the launcher keeps once it has taken this manifest.
        TrustState state;
    };

    // `nowSeconds` is the time in seconds since 1970 UTC. The reason when the list is refused.
    static trust::Result<Accepted> check(QByteArrayView manifest, const trust::Sha256Digest& list,
                                         const std::vector<trust::TrustedKey>& launcherKeys, const TrustState& state,
                                         qint64 nowSeconds);
};

} // namespace kaldoria::update
