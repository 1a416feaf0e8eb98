#include "SignedUpdateFixture.h"

#include "chunks/ChunkIndex.h"
#include "chunks/ChunkStore.h"

#include <set>

namespace kaldoria::hardening {

namespace {

const QString kBig = latin1("system/data.pak");
constexpr qsizetype kBigSize = 3 * 1024 * 1024;

} // namespace

// A client at the first version of a big file, which the operator publishes again, changed,
// with chunks: the launcher fetches only the chunks its copy lacks, or, when the chunk path
// fails in any way, the whole packed file; the file ends right either way.
class ChunkPatchTest : public SignedUpdateTest {
public:
    // The big file's first version, and its second: 100 KiB changed in the middle and 10 KiB
    // inserted near the start.
    static QByteArray version1() { return noise(kBigSize, 7); }
    static QByteArray version2() {
        QByteArray bytes = version1();
        bytes.replace(kBigSize / 2, 100 * 1024, noise(100 * 1024, 8));
        bytes.insert(200 * 1024, noise(10 * 1024, 9));
        return bytes;
    }

    // Publishes the first version with chunks (signed with "op" unless `signer` is null),
    // installs it through a launcher (trusting "op" when signed), then publishes the second.
    void installVersion1ThenPublish2(const char* signer = nullptr) {
        setSource(kBig, version1());
        publishSource(signer, {latin1("--chunks")});
        if (signer)
            makeTrustingLauncher();
        else
            makeLauncher(configText());
        const Run first = runChecked();
        ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
        ASSERT_EQ(readClient(kBig), version1());
        EXPECT_EQ(bytesSent(latin1("/system/data.pak.kdz")), 0) << "a fresh install takes chunks too";
        setSource(kBig, version2());
        publishSource(signer, {latin1("--chunks")});
        m_nginx->clearAccessLog();
    }
    // The launcher run that checks every listed file.
    Run update() { return runChecked({latin1("--check-all")}); }

    // The stored form of a chunk that the second version has and the first lacks.
    QString newChunkFile() const {
        const trust::Result<chunks::ChunkIndex> old = chunks::ChunkIndex::ofFile(clientFile(kBig));
        const trust::Result<chunks::ChunkIndex> fresh =
            chunks::ChunkIndex::parse(readFileBytes(serverFile(kBig + latin1(chunks::ChunkIndex::kSuffix))));
        EXPECT_TRUE(old.ok() && fresh.ok());
        std::set<trust::Sha256Digest> held;
        for (const chunks::ChunkEntry& chunk : old.value().chunks())
            held.insert(chunk.digest);
        for (const chunks::ChunkEntry& chunk : fresh.value().chunks()) {
            if (!held.contains(chunk.digest))
                return chunks::ChunkStore(serverFile(latin1(chunks::ChunkStore::kFolderName))).path(chunk.digest);
        }
        ADD_FAILURE() << "no new chunk";
        return {};
    }
    qint64 chunkBytesSent() const {
        qint64 bytes = 0;
        for (const QString& path : requests().filter(latin1("/chunks/")))
            bytes += bytesSent(path);
        return bytes;
    }
    QByteArray debugLog() const { return readClient(latin1("log.err")); }
    // Arrangements, each after the second version was published.
    void nothing() {}
    void localTruncated() {
        QFile file(clientFile(kBig));
        ASSERT_TRUE(file.resize(kBigSize / 3));
    }
    void localDamaged() {
        QByteArray bytes = readFileBytes(clientFile(kBig));
        bytes.replace(kBigSize / 4, 5000, QByteArray(5000, 'x'));
        ASSERT_TRUE(writeFileBytes(clientFile(kBig), bytes));
    }
    // Bytes changed by something that then set the file's date back: the index kept when the
    // file was installed no longer describes it, though size and date say it does. The
    // assembled file fails its check, and the patch is planned again from a cut of the file.
    void localChangedKeepingItsDate() {
        const QDateTime date = QFileInfo(clientFile(kBig)).lastModified();
        ASSERT_NO_FATAL_FAILURE(localDamaged());
        QFile file(clientFile(kBig));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(date, QFileDevice::FileModificationTime));
    }
    void chunkMissing() { ASSERT_TRUE(QFile::remove(newChunkFile())); }
    void chunkDamaged() {
        const QString path = newChunkFile();
        QByteArray bytes = readFileBytes(path);
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x55);
        ASSERT_TRUE(writeFileBytes(path, bytes));
    }
    // A chunk's name answered with far more bytes than any stored chunk takes: not read.
    void chunkOversized() {
        const QString path = newChunkFile();
        ASSERT_TRUE(writeFileBytes(path, readFileBytes(path) + QByteArray(1024 * 1024, '\0')));
    }
    void chunkSwapped() {
        const QString path = newChunkFile();
        QDirIterator stored(serverFile(latin1("chunks")), {latin1("*.zst")}, QDir::Files, QDirIterator::Subdirectories);
        QString other = stored.next();
        if (other == path)
            other = stored.next();
        ASSERT_NE(other, path);
        ASSERT_TRUE(writeFileBytes(path, readFileBytes(other)));
    }
    void indexOutsideStore() {
        const QString index = serverFile(kBig + latin1(chunks::ChunkIndex::kSuffix));
        ASSERT_TRUE(writeFileBytes(index, QByteArray("kaldoria-chunk-index 1\nsize ") +
                                              QByteArray::number(version2().size()) +
                                              "\nchunk ../../../../etc/passwd 3156992\n"));
    }
    void indexOfAnotherFile() {
        const QString index = serverFile(kBig + latin1(chunks::ChunkIndex::kSuffix));
        QByteArray text = readFileBytes(index);
        const qsizetype at = text.indexOf("\nmd5 ");
        ASSERT_GT(at, 0);
        text.replace(at + 5, 32, QByteArray("0123456789ABCDEF0123456789ABCDEF"));
        ASSERT_TRUE(writeFileBytes(index, text));
    }
    void indexOfAnotherSize() {
        const QString index = serverFile(kBig + latin1(chunks::ChunkIndex::kSuffix));
        ASSERT_TRUE(writeFileBytes(index, QByteArray("kaldoria-chunk-index 1\nsize 0\n")));
    }
    void expectNoWorkFiles() const {
        EXPECT_EQ(leftovers(m_client), QStringList());
        EXPECT_EQ(QDir(clientFile(latin1("updater"))).entryList({latin1("$part*")}, QDir::Files), QStringList());
    }
};

struct ChunkCase {
    const char* name;
    void (ChunkPatchTest::*arrange)();
    bool wholeFile;               // the chunk path is given up and the packed file fetched
    const char* logged = nullptr; // what the debug log must say, where it matters

    friend void PrintTo(const ChunkCase& test, std::ostream* out) { *out << test.name; }
};

class ChunkPatchCaseTest : public ChunkPatchTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkPatchCaseTest, FileEndsRightThroughChunksOrWhole) {
    ASSERT_NO_FATAL_FAILURE(installVersion1ThenPublish2());
    ASSERT_NO_FATAL_FAILURE((this->*GetParam().arrange)());
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(kBig), version2());
    if (GetParam().wholeFile) {
        EXPECT_GT(bytesSent(latin1("/system/data.pak.kdz")), 0);
        EXPECT_TRUE(debugLog().contains("Chunks of system\\data.pak not used: ")) << debugLog().toStdString();
    } else {
        EXPECT_EQ(bytesSent(latin1("/system/data.pak.kdz")), 0);
        EXPECT_TRUE(debugLog().contains("Chunks of system\\data.pak: assembled")) << debugLog().toStdString();
    }
    if (GetParam().logged) {
        EXPECT_TRUE(debugLog().contains(GetParam().logged)) << debugLog().toStdString();
    }
    expectNoWorkFiles();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkPatchCaseTest,
    ::testing::Values(ChunkCase{"Patch", &ChunkPatchTest::nothing, false},
                      ChunkCase{"LocalFileTruncated", &ChunkPatchTest::localTruncated, false},
                      ChunkCase{"LocalFileDamaged", &ChunkPatchTest::localDamaged, false},
                      ChunkCase{"LocalFileChangedKeepingItsDate", &ChunkPatchTest::localChangedKeepingItsDate, false},
                      ChunkCase{"ChunkMissing", &ChunkPatchTest::chunkMissing, true},
                      ChunkCase{"ChunkDamaged", &ChunkPatchTest::chunkDamaged, true},
                      ChunkCase{"ChunkOfOtherBytes", &ChunkPatchTest::chunkSwapped, true},
                      ChunkCase{"ChunkOversized", &ChunkPatchTest::chunkOversized, true,
                                "more than any stored chunk takes"},
                      ChunkCase{"IndexNamesAPathOutsideTheStore", &ChunkPatchTest::indexOutsideStore, true},
                      ChunkCase{"IndexOfAnotherFile", &ChunkPatchTest::indexOfAnotherFile, true},
                      ChunkCase{"IndexOfAnotherSize", &ChunkPatchTest::indexOfAnotherSize, true}),
    [](const ::testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.name); });

// What a patch costs: the changed chunks and the index, a small part of the file; the file
// is not read to learn its chunks, since the index kept at its install still describes it; the
// log says how much of the file was reused. A damaged chunk is asked for once more before the
// file is given up.
TEST_F(ChunkPatchTest, PatchFetchesOnlyTheChangedChunks) {
    ASSERT_NO_FATAL_FAILURE(installVersion1ThenPublish2());
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(kBig), version2());
    EXPECT_GT(chunkBytesSent(), 0);
    EXPECT_LT(chunkBytesSent(), kBigSize / 5);
    EXPECT_TRUE(debugLog().contains("Chunks of system\\data.pak: ")) << debugLog().toStdString();
    EXPECT_FALSE(debugLog().contains("Chunks of system\\data.pak: 0 bytes reused")) << debugLog().toStdString();
    EXPECT_TRUE(debugLog().contains("Chunks of system\\data.pak: the local file is known from the index kept"))
        << debugLog().toStdString();
}

// Every file put in place through chunks keeps its index for its next patch, until the list
// no longer names the file.
TEST_F(ChunkPatchTest, KeptIndexesFollowTheList) {
    ASSERT_NO_FATAL_FAILURE(installVersion1ThenPublish2());
    const QDir kept(clientFile(latin1("updater/indexes")));
    EXPECT_EQ(kept.entryList(QDir::Files).size(), 2) << "kd.exe and the big file";
    ASSERT_TRUE(QFile::remove(m_root.filePath(latin1("source/") + kBig)));
    publishSource(nullptr, {latin1("--chunks")});
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(kept.entryList(QDir::Files).size(), 1);
}

// Files that share chunks (two versions of one file, installed side by side) fetch each
// shared chunk once.
TEST_F(ChunkPatchTest, ChunksSharedByFilesAreFetchedOnce) {
    const QString other = latin1("system/other.pak");
    setSource(kBig, version1());
    setSource(other, version2());
    publishSource(nullptr, {latin1("--chunks")});
    makeLauncher(configText());
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(kBig), version1());
    EXPECT_EQ(readClient(other), version2());
    const QStringList chunks = requests().filter(latin1("/chunks/"));
    EXPECT_EQ(QSet<QString>(chunks.begin(), chunks.end()).size(), chunks.size()) << chunks.join(u' ').toStdString();
    EXPECT_LT(chunkBytesSent(), kBigSize * 3 / 2);
    expectNoWorkFiles();
}

TEST_F(ChunkPatchTest, DamagedChunkIsAskedForOnceMore) {
    ASSERT_NO_FATAL_FAILURE(installVersion1ThenPublish2());
    const QString chunk = newChunkFile();
    chunkDamaged();
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(kBig), version2());
    const QString path = latin1("/") + QDir(m_server).relativeFilePath(chunk);
    EXPECT_EQ(requests().count(path), 2);
}

// Without chunks on the server, one request for the first file's index tells the launcher to
// fetch every file whole.
TEST_F(ChunkPatchTest, ServerWithoutChunksCostsOneRequest) {
    setSource(latin1("system/other.pak"), noise(100000, 3));
    publishSource(nullptr);
    makeLauncher(configText());
    const Run result = update();
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    EXPECT_EQ(readClient(latin1("system/other.pak")), noise(100000, 3));
    EXPECT_EQ(requests().filter(latin1(".kdc")).size(), 1) << requests().join(u' ').toStdString();
    expectNoWorkFiles();
}

// Signed: the manifest covers each index, so an index changed after signing is not used.
TEST_F(ChunkPatchTest, SignedIndexesAreCheckedAgainstTheManifest) {
    ASSERT_NO_FATAL_FAILURE(installVersion1ThenPublish2("op"));
    const Run patched = update();
    ASSERT_EQ(patched.exitCode, 0) << patched.output.toStdString();
    EXPECT_EQ(readClient(kBig), version2());
    EXPECT_EQ(bytesSent(latin1("/system/data.pak.kdz")), 0);

    setSource(kBig, version1());
    publishSource("op", {latin1("--chunks")});
    indexOfAnotherSize();
    m_nginx->clearAccessLog();
    const Run refused = update();
    ASSERT_EQ(refused.exitCode, 0) << refused.output.toStdString();
    EXPECT_EQ(readClient(kBig), version1());
    EXPECT_TRUE(debugLog().contains("its chunk index is not the one the signed manifest names"))
        << debugLog().toStdString();
    EXPECT_GT(bytesSent(latin1("/system/data.pak.kdz")), 0);
    EXPECT_EQ(workFilesLeft(), QStringList());
}

} // namespace kaldoria::hardening
