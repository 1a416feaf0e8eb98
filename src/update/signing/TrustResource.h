#pragma once

#include "trust/Result.h"
#include "trust/TrustedKey.h"

#include <QByteArrayView>

#include <vector>

namespace kaldoria::update {

// The keys a launcher trusts for signed updates: its program file's resource "trust", one or
// more PEM public keys one after the other (the keys of several files simply joined).
class TrustResource {
public:
    static constexpr const char* kName = "trust";

    // Every key of `pem`, in order; the reason when it holds no key, or a block that is no
    // Ed25519 public key, or text outside the blocks.
    static trust::Result<std::vector<trust::TrustedKey>> parse(QByteArrayView pem);
};

} // namespace kaldoria::update
