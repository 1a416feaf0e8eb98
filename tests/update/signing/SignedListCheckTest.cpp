#include "update/signing/SignedListCheck.h"

#include "NewSigningKey.h"

#include "trust/SignedManifest.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kaldoria;
using kaldoria::update::SignedListCheck;
using kaldoria::update::TrustState;

namespace {

constexpr qint64 kNow = 1750000000;

class SignedListCheckTest : public ::testing::Test {
protected:
    SignedListCheckTest() : launcherKey(trust::newSigningKey()), rotatedKey(trust::newSigningKey()) {
        data.serial = 100;
        data.expires = kNow + 3600;
        data.list = trust::Sha256::of("the list");
        data.files = {
            {QStringLiteral("\\kd.ini"), trust::Sha256::of("packed"), trust::Sha256::of("ini"), std::nullopt}};
    }

    QByteArray signedBy(const trust::SigningKey& key) const {
        const trust::Result<QByteArray> text = trust::SignedManifest::serialize(data, key);
        EXPECT_TRUE(text.ok()) << text.error().toStdString();
        return text.ok() ? text.value() : QByteArray();
    }
    trust::Result<SignedListCheck::Accepted> check(const QByteArray& manifest, const TrustState& state = {}) const {
        return SignedListCheck::check(manifest, trust::Sha256::of("the list"), {launcherKey.publicKey()}, state, kNow);
    }

    trust::SigningKey launcherKey;
    trust::SigningKey rotatedKey;
    trust::ManifestData data;
};

TEST_F(SignedListCheckTest, AcceptsAManifestOfTheLauncherKeyAndKeepsItsSerial) {
    const auto accepted = check(signedBy(launcherKey), {.serial = 100, .nextKeys = {}});
    ASSERT_TRUE(accepted.ok()) << accepted.error().toStdString();
    EXPECT_EQ(accepted.value().data, data);
    EXPECT_EQ(accepted.value().state.serial, 100);
    EXPECT_TRUE(accepted.value().state.nextKeys.empty());
}

TEST_F(SignedListCheckTest, RefusesWhatALauncherMustNotTake) {
    const struct {
        const char* what;
        std::function<void(trust::ManifestData&)> change;
        bool signedByOther;
        qint64 acceptedSerial;
        const char* reason;
    } cases[] = {
        {"expired", [](trust::ManifestData& d) { d.expires = kNow; }, false, 0, "expired at 2025-06-15T15:06:40"},
        {"replayed", [](trust::ManifestData&) {}, false, 101, "serial 100 is older than the serial 101"},
        {"other list", [](trust::ManifestData& d) { d.list = trust::Sha256::of("another list"); }, false, 0,
         "the list has SHA-256"},
        {"unknown key", [](trust::ManifestData&) {}, true, 0, "not trusted"},
    };
    for (const auto& c : cases) {
        const trust::ManifestData kept = data;
        c.change(data);
        const auto result =
            check(signedBy(c.signedByOther ? rotatedKey : launcherKey), {.serial = c.acceptedSerial, .nextKeys = {}});
        data = kept;
        ASSERT_FALSE(result.ok()) << c.what;
        EXPECT_TRUE(result.error().contains(QLatin1String(c.reason))) << c.what << ": " << result.error().toStdString();
    }
    // Damaged bytes: a signed manifest with one byte changed, and no manifest at all.
    QByteArray changed = signedBy(launcherKey);
    changed[changed.indexOf("serial 100") + 7] = '2';
    EXPECT_FALSE(check(changed).ok());
    EXPECT_FALSE(check(QByteArray()).ok());
}

// A manifest that names next keys moves the launcher's trust to them: the next manifest must
// be signed by one of those, no longer by the launcher's own key.
TEST_F(SignedListCheckTest, NextKeysReplaceTheLauncherKeys) {
    data.nextKeys = {rotatedKey.publicKey()};
    const auto first = check(signedBy(launcherKey));
    ASSERT_TRUE(first.ok()) << first.error().toStdString();
    const TrustState rotated = first.value().state;
    ASSERT_EQ(rotated.nextKeys.size(), 1u);

    data.nextKeys.clear();
    data.serial = 101;
    const auto byOld = check(signedBy(launcherKey), rotated);
    EXPECT_FALSE(byOld.ok());
    const auto byNew = check(signedBy(rotatedKey), rotated);
    ASSERT_TRUE(byNew.ok()) << byNew.error().toStdString();
    // A manifest without next keys leaves the rotated keys in force.
    EXPECT_EQ(byNew.value().state.nextKeys, rotated.nextKeys);
    EXPECT_EQ(byNew.value().state.serial, 101);
}

} // namespace
