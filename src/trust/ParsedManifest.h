#pragma once

#include "trust/ManifestData.h"
#include "trust/TrustedKey.h"

#include <QByteArray>

namespace kaldoria::trust {

// A manifest as read, before anyone has checked its signature: what it says, the key it
// says signed it, and the signed bytes with their signature. Use the data only after
// SignedManifest::verify has accepted it.
struct ParsedManifest {
    ManifestData data;
    TrustedKey signer;
    // Every byte of the manifest before its signature line.
    QByteArray signedBytes;
    QByteArray signature;
};

} // namespace kaldoria::trust
