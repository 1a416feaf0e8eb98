#include "ConfigPackageWriter.h"

#include "startup/ConfigPackage.h"
#include "startup/PackageKey.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <bzlib.h>
#include <gtest/gtest.h>

using namespace kaldoria::startup;

namespace {

QByteArray le32(qint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// Runs each test in its own current folder, where "config.pack" lands.
class ConfigPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        log.enabled = true;
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QTemporaryDir dir;
    QString previous;
    tDebugFile log{QString()};
};

const QByteArray kStream = QByteArray("\x3a\x30\x00\x00\x00\x00\x00\x00", 8) + "[config]\r\ninstance=Test\r\n";

} // namespace

TEST_F(ConfigPackageTest, GoodPackageDecodesAndLeavesItsPayloadInConfigPack) {
    const auto package = kaldoria::pack::writeConfigPackage(kStream);
    ASSERT_TRUE(package);
    const qint32 n = qFromLittleEndian<qint32>(package->constData());
    EXPECT_EQ(package->size(), 4 + n);

    EXPECT_EQ(ConfigPackage::decode(*package + "ignored tail", &log), kStream);
    EXPECT_EQ(log.ts, QStringList{u"  read config from memory.. config size: %1"_qs.arg(n)});
    QFile copy(u"config.pack"_qs);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), package->mid(4, n));
}

TEST_F(ConfigPackageTest, AppliedKeyIsTheStoredKeyWithHalvesExchanged) {
    const QByteArray stored(kPackageKey, 20);
    EXPECT_EQ(appliedPackageKey(), stored.mid(10, 10) + stored.left(10));

    // A payload scrambled with the stored key as it stands does not load.
    QByteArray compressed(1000, '\0');
    unsigned int length = unsigned(compressed.size());
    ASSERT_EQ(BZ2_bzBuffToBuffCompress(compressed.data(), &length, const_cast<char*>(kStream.constData()),
                                       unsigned(kStream.size()), 9, 0, 0),
              BZ_OK);
    compressed.truncate(length);
    auto scramble = [&](const QByteArray& key) {
        QByteArray out = compressed;
        for (qsizetype k = 0; k < out.size(); ++k)
            out[k] = char(out[k] ^ key[k % 20]);
        return le32(qint32(out.size())) + out;
    };
    EXPECT_EQ(ConfigPackage::decode(scramble(appliedPackageKey()), nullptr), kStream);
    EXPECT_EQ(ConfigPackage::decode(scramble(stored), nullptr), std::nullopt);
}

TEST_F(ConfigPackageTest, BadPackagesLoadNothing) {
    const QByteArray good = *kaldoria::pack::writeConfigPackage(kStream);
    QByteArray damaged = good;
    damaged[good.size() / 2] = char(damaged[good.size() / 2] ^ 0x5A);
    const struct {
        const char* what;
        std::optional<QByteArray> resource;
        QStringList log;
        bool configPackWritten;
    } cases[] = {
        {"missing resource", std::nullopt, {}, false},
        {"shorter than the length field", QByteArray("\x01\x00", 2), {}, false},
        {"N one above the limit",
         le32(1536001) + QByteArray(16, 'x'),
         {u"  read config from memory.. config size: 1536001"_qs},
         false},
        {"negative N", le32(-1) + QByteArray(16, 'x'), {u"  read config from memory.. config size: -1"_qs}, false},
        {"N beyond the bytes present",
         le32(100) + QByteArray(99, 'x'),
         {u"  read config from memory.. config size: 100"_qs},
         false},
        {"empty payload", le32(0), {u"  read config from memory.. config size: 0"_qs}, true},
        {"damaged payload", damaged, {u"  read config from memory.. config size: %1"_qs.arg(good.size() - 4)}, true},
    };
    for (const auto& c : cases) {
        QFile::remove(u"config.pack"_qs);
        log.ts.clear();
        EXPECT_EQ(ConfigPackage::decode(c.resource, &log), std::nullopt) << c.what;
        EXPECT_EQ(log.ts, c.log) << c.what;
        EXPECT_EQ(QFile::exists(u"config.pack"_qs), c.configPackWritten) << c.what;
    }
}

TEST_F(ConfigPackageTest, LogDisabledWritesNoDebugCopy) {
    log.enabled = false;
    EXPECT_EQ(ConfigPackage::decode(kaldoria::pack::writeConfigPackage(kStream), &log), kStream);
    EXPECT_FALSE(QFile::exists(u"config.pack"_qs));
}

TEST_F(ConfigPackageTest, PayloadAtTheLimitLoadsAndWriterRefusesLarger) {
    // Incompressible data whose compressed form is just under and just over the limit.
    QByteArray noise(1500 * 1024 - 8000, '\0');
    quint32 x = 12345;
    for (char& c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    const auto fits = kaldoria::pack::writeConfigPackage(noise);
    ASSERT_TRUE(fits);
    EXPECT_LE(fits->size() - 4, ConfigPackage::kMaxPayload);
    EXPECT_EQ(ConfigPackage::decode(fits, nullptr), noise);
    EXPECT_EQ(kaldoria::pack::writeConfigPackage(noise + noise.left(20000)), std::nullopt);
}
