#pragma once

#include "trust/Result.h"
#include "trust/TrustedKey.h"

#include <QString>

#include <vector>

namespace kaldoria::update {

// What a launcher keeps between runs about the signed manifests it accepted, in
// "updater/trust.state": the highest serial, so that an older manifest is never taken again,
// and the keys an accepted manifest named for the next one (key rotation), which are trusted
// instead of the program's own keys from then on.
//
// Text form, one record per line: "kaldoria-trust-state 1", "serial N", then "key BASE64"
// for each next key.
struct TrustState {
    static constexpr const char* kFileName = "trust.state";

    qint64 serial = 0; // 0 while none was accepted
    std::vector<trust::TrustedKey> nextKeys;

    // The state in `path`; an empty state when there is no such file, the reason when it
    // cannot be read or is damaged (an update is then refused rather than a rollback allowed).
    static trust::Result<TrustState> read(const QString& path);
    // Writes the state through a temporary file that reaches the disk before it is renamed
    // over `path`; the reason on failure.
    QString write(const QString& path) const;
};

} // namespace kaldoria::update
