#include "update/checks/FileComparer.h"

#include "platform/FileTimes.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

using kaldoria::filelist::TFileRecord;
using kaldoria::filelist::ZeroDigest;
using kaldoria::update::FileComparer;
using Verdict = FileComparer::Verdict;

namespace kaldoria::update {
void PrintTo(const FileComparer::Verdict& v, std::ostream* os) {
    *os << "{current " << v.current << ", record " << v.recordPrevious << ", date " << v.setListDate << "}";
}
} // namespace kaldoria::update

namespace {

constexpr double kDate = 44270.5;
constexpr double kOneSecond = 1.0 / 86400;

const QString kHash = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
const QString kOtherHash = QStringLiteral("FEDCBA9876543210FEDCBA9876543210");

TFileRecord listed() {
    return {QStringLiteral("\\system\\a.dat"), kHash, QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"), 100, kDate};
}

TFileRecord measuredAs(const QString& hash, qint64 size, double date) {
    return {QStringLiteral("\\system\\a.dat"), hash, ZeroDigest(), size, date};
}

// What a level looks at, equal to the list or not. The hard level looks only at the MD5 (its
// equal file differs in size and date), the medium level only at size and date (it measures
// no MD5), the light level only at the previous list's hash.
struct Sides {
    std::optional<TFileRecord> measured;
    std::optional<TFileRecord> previous;
};

Sides sides(int level, bool equal) {
    const double stored = kaldoria::platform::dateAsStored(kDate);
    switch (level) {
    case 2:
        return {measuredAs(equal ? kHash : kOtherHash, 7, kDate - 1), std::nullopt};
    case 1:
        return {measuredAs(ZeroDigest(), 100, equal ? stored : stored + kOneSecond), std::nullopt};
    default: {
        TFileRecord previous = listed();
        if (!equal)
            previous.Hash = kOtherHash;
        return {std::nullopt, previous};
    }
    }
}

Verdict compare(int level, const Sides& s, const TFileRecord& list, bool onDisk) {
    return FileComparer::compare(level, s.measured ? &*s.measured : nullptr, list, s.previous ? &*s.previous : nullptr,
                                 onDisk);
}

} // namespace

TEST(FileComparerTest, EveryLevelOnlyAPresentFileEqualToTheListIsCurrent) {
    struct Case {
        int level;
        bool onDisk;
        bool equal;
        Verdict expected;
    };
    const Verdict notCurrent;
    const Case cases[] = {
        {2, false, true, notCurrent},
        {2, false, false, notCurrent},
        {2, true, true, {.current = true, .recordPrevious = true, .setListDate = true}},
        {2, true, false, notCurrent},
        {1, false, true, notCurrent},
        {1, false, false, notCurrent},
        {1, true, true, {.current = true, .recordPrevious = true, .setListDate = false}},
        {1, true, false, notCurrent},
        // A missing file is fetched even when the previous list names it with the list's hash.
        {0, false, true, notCurrent},
        {0, false, false, notCurrent},
        {0, true, true, {.current = true, .recordPrevious = false, .setListDate = false}},
        {0, true, false, notCurrent},
    };
    for (const Case& c : cases) {
        const Verdict v = compare(c.level, sides(c.level, c.equal), listed(), c.onDisk);
        EXPECT_EQ(v, c.expected) << "level " << c.level << (c.onDisk ? " present" : " missing")
                                 << (c.equal ? " equal" : " different");
    }
}

TEST(FileComparerTest, AMatchIsRecordedOnlyWhereThePreviousListDiffersAndDatedOnlyByAListDate) {
    const TFileRecord list = listed();
    const TFileRecord same = measuredAs(kHash, 100, kDate);
    TFileRecord redated = list;
    redated.Date = kDate - 1;
    TFileRecord undated = list;
    undated.Date = 0;

    EXPECT_EQ(FileComparer::compare(2, &same, list, &list, true),
              (Verdict{.current = true, .recordPrevious = false, .setListDate = true}));
    EXPECT_TRUE(FileComparer::compare(2, &same, list, &redated, true).recordPrevious);
    EXPECT_EQ(FileComparer::compare(2, &same, undated, nullptr, true),
              (Verdict{.current = true, .recordPrevious = true, .setListDate = false}));
}

TEST(FileComparerTest, NothingToCompareWithIsNeverCurrent) {
    const TFileRecord list = listed();
    // The light level without a previous record, the measuring levels without a measurement.
    EXPECT_FALSE(FileComparer::compare(0, nullptr, list, nullptr, true).current);
    EXPECT_FALSE(FileComparer::compare(1, nullptr, list, &list, true).current);
    EXPECT_FALSE(FileComparer::compare(2, nullptr, list, &list, true).current);
}
