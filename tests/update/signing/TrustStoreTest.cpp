#include "update/signing/TrustResource.h"
#include "update/signing/TrustState.h"

#include "NewSigningKey.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaldoria;
using kaldoria::update::TrustResource;
using kaldoria::update::TrustState;

namespace {

TEST(TrustResourceTest, ReadsOneOrSeveralJoinedKeysAndRefusesAnythingElse) {
    const trust::TrustedKey a = trust::newSigningKey().publicKey();
    const trust::TrustedKey b = trust::newSigningKey().publicKey();
    const auto two = TrustResource::parse(a.toPem() + "\n" + b.toPem());
    ASSERT_TRUE(two.ok()) << two.error().toStdString();
    EXPECT_EQ(two.value(), (std::vector<trust::TrustedKey>{a, b}));
    EXPECT_TRUE(TrustResource::parse(a.toPem()).ok());

    QByteArray broken = a.toPem();
    broken[40] = broken[40] == 'A' ? 'B' : 'A';
    for (const QByteArray& bad : {QByteArray(), QByteArray("\n \n"), QByteArray("not a key"), a.toPem() + "junk",
                                  a.toPem().chopped(20), broken}) {
        EXPECT_FALSE(TrustResource::parse(bad).ok()) << bad.toStdString();
    }
}

TEST(TrustStateTest, KeepsSerialAndNextKeysAndRefusesADamagedFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trust.state"));
    const auto missing = TrustState::read(path);
    ASSERT_TRUE(missing.ok());
    EXPECT_EQ(missing.value().serial, 0);

    const TrustState state{.serial = 1718000000, .nextKeys = {trust::newSigningKey().publicKey()}};
    ASSERT_EQ(state.write(path), QString());
    const auto read = TrustState::read(path);
    ASSERT_TRUE(read.ok()) << read.error().toStdString();
    EXPECT_EQ(read.value().serial, state.serial);
    EXPECT_EQ(read.value().nextKeys, state.nextKeys);

    // A damaged state is refused rather than read as "nothing accepted yet".
    for (const QByteArray& bad :
         {QByteArray(""), QByteArray("kaldoria-trust-state 1\nserial x\n"),
          QByteArray("kaldoria-trust-state 1\nserial 5\nkey AAAA\n"), QByteArray("kaldoria-trust-state 1\nserial 5")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bad);
        file.close();
        EXPECT_FALSE(TrustState::read(path).ok()) << bad.toStdString();
    }
}

} // namespace
