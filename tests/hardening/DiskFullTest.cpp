#include "HardeningFixture.h"

#include <QDir>
#include <QProcess>

namespace kaldoria::hardening {

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Free space left on the client's file system when the launcher starts, in 4 KiB pages:
// none, less than the packed file (reserving and downloading fail), between the packed file
// and the packed and unpacked files together (extraction fails), and about what the list,
// the settings and "OldList.lst" need at the end.
const int kFreePages[] = {0, 1, 3, 8, 40, 74, 78, 90, 120, 146, 148, 149, 150, 151, 152, 153, 154, 156, 160, 400};

// Mounts a tmpfs over the client folder in a private mount namespace, puts the client's
// files back on it, fills it up to FREE bytes, runs the launcher, prints its exit code and
// copies what it left to OUT.
const char* const kScript = R"(
set -e
stage="$ROOT/stage"; rm -rf "$stage" "$OUT"; cp -a "$CLIENT" "$stage"
used=$(du -sk --apparent-size "$stage" | cut -f1)
mount -t tmpfs -o size=$(( used + 2048 ))k tmpfs "$CLIENT"
cp -a "$stage/." "$CLIENT/"
avail=$(df --output=avail -B1 "$CLIENT" | tail -n 1)
fallocate -l $(( avail - FREE )) "$CLIENT/filler" 2>/dev/null || true
set +e
cd "$CLIENT" && ./Kaldoria --headless > "$ROOT/output.txt" 2>&1
echo "exit $?"
rm -f "$CLIENT/filler"
cp -a "$CLIENT" "$OUT"
)";

} // namespace

class DiskFullTest : public HardeningFixture, public ::testing::WithParamInterface<int> {};

// Whatever the moment the disk fills up, the launcher ends with code 1 and says that the disk
// is full, removes its temporary files, and records nothing it did not install whole.
TEST_P(DiskFullTest, FullDiskFailsCleanly) {
    serve(clientFiles());
    const QString out = m_root.filePath(QStringLiteral("out"));
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ROOT"), m_root.path());
    environment.insert(QStringLiteral("CLIENT"), m_client);
    environment.insert(QStringLiteral("OUT"), out);
    environment.insert(QStringLiteral("FREE"), QString::number(GetParam() * 4096));
    shell.setProcessEnvironment(environment);
    shell.setProcessChannelMode(QProcess::MergedChannels);
    const QMap<QString, QString> before = outsideSnapshot();
    shell.start(QStringLiteral("unshare"),
                {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), QString::fromLatin1(kScript)});
    ASSERT_TRUE(shell.waitForFinished(120000));
    const QString report = QString::fromUtf8(shell.readAll());
    QFile outputFile(m_root.filePath(QStringLiteral("output.txt")));
    ASSERT_TRUE(outputFile.open(QIODevice::ReadOnly));
    const QByteArray output = outputFile.readAll();
    ASSERT_TRUE(report.contains(QStringLiteral("exit "))) << report.toStdString();

    const bool complete = report.contains(QStringLiteral("exit 0"));
    EXPECT_TRUE(complete || report.contains(QStringLiteral("exit 1"))) << report.toStdString() << output.toStdString();
    expectTruthfulOldList(out);
    EXPECT_TRUE(leftovers(out).isEmpty()) << leftovers(out).join(u' ').toStdString();
    if (complete) {
        EXPECT_TRUE(output.contains("Update done"))
            << output.toStdString() << readAll(out + QStringLiteral("/log.err")).toStdString();
    } else {
        // A failed run says that the disk is full, and never that the client is up to date.
        EXPECT_TRUE(output.contains("disk is full") || output.contains("disk full")) << output.toStdString();
        EXPECT_FALSE(output.contains("Update done")) << output.toStdString();
        EXPECT_FALSE(output.contains("Full check done")) << output.toStdString();
    }
    const QStringList stale = {QStringLiteral("stage"), QStringLiteral("out"), QStringLiteral("output.txt")};
    QMap<QString, QString> after = outsideSnapshot();
    after.removeIf([&](const auto& entry) { return stale.contains(entry.key().section(u'/', 0, 0)); });
    EXPECT_EQ(snapshotText(after), snapshotText(before));
}

INSTANTIATE_TEST_SUITE_P(FreePages, DiskFullTest, ::testing::ValuesIn(kFreePages));

} // namespace kaldoria::hardening
