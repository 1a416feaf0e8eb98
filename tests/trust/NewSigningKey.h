#pragma once

#include <trust/SigningKey.h>

#include <gtest/gtest.h>

#include <utility>

namespace kaldoria::trust {

// A freshly generated key; a failure to make one fails the test that asked.
inline SigningKey newSigningKey() {
    Result<SigningKey> key = SigningKey::generate();
    EXPECT_TRUE(key.ok()) << key.error().toStdString();
    return std::move(key).value();
}

} // namespace kaldoria::trust
