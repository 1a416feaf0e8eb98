#include "ChunkTestData.h"

#include <chunks/FastCdc.h>
#include <trust/Sha256.h>

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>

using kaldoria::chunks::FastCdc;
using kaldoria::trust::Sha256;
using kaldoria::trust::toHex;

namespace {

constexpr qsizetype kKiB = 1024;
constexpr qsizetype kMiB = 1024 * kKiB;

struct Chunk {
    qsizetype offset;
    qsizetype length;
    std::string digest;
};

std::vector<Chunk> chunksOf(const QByteArray& bytes) {
    std::vector<Chunk> chunks;
    qsizetype offset = 0;
    for (std::size_t length : chunktest::cutLengths(bytes)) {
        chunks.push_back(
            {offset, qsizetype(length), toHex(Sha256::of(bytes.sliced(offset, qsizetype(length)))).toStdString()});
        offset += qsizetype(length);
    }
    return chunks;
}

TEST(FastCdcTest, CutLengthsStayWithinTheBoundsWhateverTheContent) {
    QByteArray pattern;
    for (int i = 0; i < 4 * kMiB / 7; ++i)
        pattern += "pattern";
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"random", chunktest::randomBytes(16 * kMiB + 123, 1)},
        {"zeros", QByteArray(3 * kMiB, '\0')},
        {"a short repeated pattern", pattern},
        {"shorter than the minimum", chunktest::randomBytes(FastCdc::kMinSize - 1, 2)},
        {"exactly the minimum", chunktest::randomBytes(FastCdc::kMinSize, 3)},
        {"one byte", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::size_t> lengths = chunktest::cutLengths(c.bytes);
        ASSERT_FALSE(lengths.empty());
        EXPECT_EQ(std::accumulate(lengths.begin(), lengths.end(), std::size_t(0)), std::size_t(c.bytes.size()));
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            EXPECT_LE(lengths[i], FastCdc::kMaxSize) << "chunk " << i;
            if (i + 1 < lengths.size()) {
                EXPECT_GE(lengths[i], FastCdc::kMinSize) << "chunk " << i;
            }
        }
    }
    // Over varied content the lengths gather near the average.
    const std::vector<std::size_t> random = chunktest::cutLengths(cases[0].bytes);
    const double average = double(cases[0].bytes.size()) / double(random.size());
    EXPECT_GT(average, 0.75 * FastCdc::kAverageSize);
    EXPECT_LT(average, 1.25 * FastCdc::kAverageSize);
}

TEST(FastCdcTest, OnlyChunksNearAnEditChange) {
    const QByteArray original = chunktest::randomBytes(24 * kMiB, 7);
    const std::vector<Chunk> before = chunksOf(original);
    std::set<std::string> known;
    for (const Chunk& chunk : before)
        known.insert(chunk.digest);

    const struct {
        const char* what;
        qsizetype at;
        qsizetype removed;
        QByteArray inserted;
    } edits[] = {
        {"one byte changed in the middle", 12 * kMiB, 1, "!"},
        {"one byte inserted in the middle", 12 * kMiB, 0, "!"},
        {"100 bytes deleted in the middle", 12 * kMiB, 100, {}},
        {"64 KiB inserted near the start", 100 * kKiB, 0, chunktest::randomBytes(64 * kKiB, 8)},
        {"1 MiB changed in the middle", 12 * kMiB, kMiB, chunktest::randomBytes(kMiB, 9)},
        {"one byte inserted at the start", 0, 0, "!"},
        {"the first chunk's worth deleted", 0, 40 * kKiB, {}},
        {"bytes appended", 24 * kMiB, 0, chunktest::randomBytes(5000, 10)},
        {"the last 300 KiB cut off", 24 * kMiB - 300 * kKiB, 300 * kKiB, {}},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        QByteArray edited = original;
        edited.replace(e.at, e.removed, e.inserted);
        const std::vector<Chunk> after = chunksOf(edited);

        // Every chunk that ends at a border before the edit is cut exactly as before (the last
        // chunk ends where the content ends, not at a border).
        for (std::size_t i = 0; i + 1 < before.size() && before[i].offset + before[i].length <= e.at; ++i) {
            ASSERT_LT(i, after.size());
            EXPECT_EQ(after[i].digest, before[i].digest) << "chunk " << i;
        }
        // New chunks lie around the edit, and they hold little more than what it brought.
        qsizetype newBytes = 0;
        for (const Chunk& chunk : after) {
            if (known.count(chunk.digest) != 0)
                continue;
            newBytes += chunk.length;
            EXPECT_GT(chunk.offset + chunk.length, e.at - qsizetype(FastCdc::kMaxSize)) << chunk.offset;
            EXPECT_LT(chunk.offset, e.at + e.inserted.size() + 2 * qsizetype(FastCdc::kMaxSize)) << chunk.offset;
        }
        EXPECT_LE(newBytes, e.inserted.size() + 2 * qsizetype(FastCdc::kMaxSize));
    }
}

// Publisher and launchers must cut alike, across versions: these borders are part of what
// every published index means.
TEST(FastCdcTest, BordersOfAFixedInputNeverMove) {
    const std::vector<std::size_t> lengths = chunktest::cutLengths(chunktest::randomBytes(kMiB, 42));
    const std::vector<std::size_t> expected = {97132, 75776,  65740, 66882, 133212, 85667, 70537,
                                               70695, 101506, 77617, 56567, 79272,  43091, 24882};
    EXPECT_EQ(lengths, expected);
}

} // namespace
