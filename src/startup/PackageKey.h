#pragma once

#include <QByteArray>

namespace kaldoria::startup {

// The stored package key: 20 ASCII characters. The key applied to a configuration
// package is built from it only while a package is read or made (appliedPackageKey).
inline constexpr char kPackageKey[] = "K4ld0ria-cfg|Qz7#mW2";
static_assert(sizeof kPackageKey == 21, "the package key has 20 characters");

// The applied key: the stored key with its two 10-character halves exchanged.
inline QByteArray appliedPackageKey() {
    const QByteArray stored(kPackageKey, 20);
    return stored.mid(10) + stored.left(10);
}

} // namespace kaldoria::startup
