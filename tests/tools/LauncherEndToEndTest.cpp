#include "PackFixture.h"

#include "ConfigPackageWriter.h"
#include "platform/SingleInstance.h"

#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

using namespace packtest;

namespace {

// A launcher copy with a package made from a small skin folder, run in its own folder.
// Every run gets its own temporary folder for the single-instance sockets, so parallel
// tests never see each other's launchers.
struct Launcher : ::testing::Test {
    void SetUp() override {
        instance = u"E2E-"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces);
        env.insert(u"TMPDIR"_qs, sockets.path());
        QDir().mkpath(work);
        makeSkinFolder(dir.filePath(u"skin"_qs));
        writeFile(dir.filePath(u"config.txt"_qs), "[config]\r\ninstance=" + instance.toUtf8() + "\r\n");
        plain = dir.filePath(u"Kaldoria-plain"_qs);
        ASSERT_TRUE(QFile::copy(buildDir() + u"/Kaldoria"_qs, plain));
    }

    // Builds the package and the launcher that carries it; gives the package's size.
    qsizetype buildLauncher() {
        const QString stream = dir.filePath(u"config.stream"_qs);
        const QString package = dir.filePath(u"config.pack.src"_qs);
        EXPECT_EQ(pack({u"stream"_qs, u"--skin"_qs, dir.filePath(u"skin"_qs), u"--config"_qs,
                        dir.filePath(u"config.txt"_qs), u"-o"_qs, stream})
                      .exitCode,
                  0);
        EXPECT_EQ(pack({u"package"_qs, stream, u"-o"_qs, package}).exitCode, 0);
        EXPECT_EQ(pack({u"attach"_qs, plain, u"-o"_qs, launcher, u"--resource"_qs, u"blank="_qs + package}).exitCode,
                  0);
        packageBytes = readFile(package);
        return packageBytes.size();
    }

    RunResult start(const QString& program, const QStringList& args) { return run(program, args, work, env); }

    QStringList logLines() const {
        return QString::fromLocal8Bit(readFile(work + u"/log.err"_qs)).split(u"\r\n"_qs, Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QTemporaryDir sockets;
    QString work = dir.filePath(u"client"_qs);
    QString plain;
    QString launcher = dir.filePath(u"client/Kaldoria"_qs);
    QString instance;
    QByteArray packageBytes;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(Launcher, AttachedPackageIsReadBackInDebugMode) {
    const qsizetype size = buildLauncher();
    const RunResult r = start(launcher, {u"-debug"_qs, u"--headless"_qs});
    // The configuration names no update server, so the run ends without a list.
    EXPECT_EQ(r.exitCode, 1) << r.err.constData();
    EXPECT_EQ(logLines().mid(0, 3), (QStringList{u"config created"_qs, u"  try load config"_qs,
                                                 u"  read config from memory.. config size: %1"_qs.arg(size - 4)}));
    EXPECT_EQ(readFile(work + u"/config.pack"_qs), packageBytes.mid(4));
}

TEST_F(Launcher, DebugSwitchIsTheFirstArgumentOnly) {
    buildLauncher();
    const struct {
        QStringList args;
        bool logged;
    } cases[] = {
        {{u"--headless"_qs}, false},
        {{u"-DEBUG"_qs, u"--headless"_qs}, true},
        {{u"--headless"_qs, u"-debug"_qs}, false},
        {{u" -debug"_qs, u"--headless"_qs}, false},
    };
    for (const auto& c : cases) {
        QFile::remove(work + u"/log.err"_qs);
        QFile::remove(work + u"/config.pack"_qs);
        const RunResult r = start(launcher, c.args);
        EXPECT_NE(r.exitCode, 2) << c.args.join(u' ').toStdString() << r.err.constData();
        EXPECT_EQ(QFile::exists(work + u"/log.err"_qs), c.logged) << c.args.join(u' ').toStdString();
        EXPECT_EQ(QFile::exists(work + u"/config.pack"_qs), c.logged) << c.args.join(u' ').toStdString();
    }
}

TEST_F(Launcher, WithoutAPackageItEndsWithTheMessage) {
    const RunResult r = start(plain, {u"-debug"_qs, u"--headless"_qs});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Sorry! Not found the config")) << r.err.constData();
    EXPECT_EQ(logLines(), (QStringList{u"config created"_qs, u"  try load config"_qs}));
    EXPECT_FALSE(QFile::exists(work + u"/config.pack"_qs));
}

TEST_F(Launcher, DamagedPackageIsLikeNoPackage) {
    buildLauncher();
    QByteArray damaged = packageBytes;
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x77);
    writeFile(dir.filePath(u"damaged.pack"_qs), damaged);
    ASSERT_EQ(pack({u"attach"_qs, plain, u"-o"_qs, launcher, u"--resource"_qs,
                    u"blank="_qs + dir.filePath(u"damaged.pack"_qs)})
                  .exitCode,
              0);
    const RunResult r = start(launcher, {u"-debug"_qs, u"--headless"_qs});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Sorry! Not found the config")) << r.err.constData();
    EXPECT_EQ(logLines().size(), 3);
}

TEST_F(Launcher, SecondCopyOfTheSameInstanceEndsAtOnceAndRaisesTheFirst) {
    // This test process plays the running copy, listening where the launcher will look.
    // The launcher without a package has no instance name of its own: "AutoUpdater". It
    // would end with code 2 for the missing skin, but the instance check comes first; run
    // headless, it says why it ends, with code 3.
    const QByteArray previousTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", sockets.path().toLocal8Bit());
    kaldoria::platform::SingleInstance first(u"AutoUpdater"_qs);
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &kaldoria::platform::SingleInstance::raiseRequested);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(work);
    second.start(plain, {u"--headless"_qs});
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(second.exitCode(), 3);
    EXPECT_TRUE(second.readAllStandardError().contains("another launcher with the instance name AutoUpdater"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.count() >= 1; }, 10000));
    qputenv("TMPDIR", previousTmp);
}

TEST_F(Launcher, DamagedSkinBlockEndsWithItsMessage) {
    // A main-window block whose only record promises more payload than there is.
    const QByteArray stream = QByteArray::fromHex("3a30000001000000"
                                                  "0a"
                                                  "ff00000000000000") +
                              "short";
    writeFile(dir.filePath(u"bad.pack"_qs), *kaldoria::pack::writeConfigPackage(stream));
    ASSERT_EQ(
        pack({u"attach"_qs, plain, u"-o"_qs, launcher, u"--resource"_qs, u"blank="_qs + dir.filePath(u"bad.pack"_qs)})
            .exitCode,
        0);
    const RunResult r = start(launcher, {u"-debug"_qs, u"--headless"_qs});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Stream read error")) << r.err.constData();
    EXPECT_EQ(logLines().value(3), u"Stream read error"_qs);
}

TEST_F(Launcher, HelpVersionAndUnknownSwitches) {
    RunResult r = start(plain, {u"--help"_qs});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: Kaldoria"));
    r = start(plain, {u"-debug"_qs, u"--version"_qs});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("Kaldoria "));
    r = start(plain, {u"--frobnicate"_qs});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("unknown option --frobnicate"));
}
