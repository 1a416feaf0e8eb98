#include "filelist/TFileList.h"

#include "QStringPrinter.h"

#include "platform/DayCount.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

using namespace kaldoria::filelist;

namespace {

const QString zero = ZeroDigest();
const QString hashA = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

QStringList saved(const TFileList& list) {
    QStringList lines{QStringLiteral("stale")};
    list.SaveToStrings(&lines);
    return lines;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(TFileList, ParsesEveryShapeOfLine) {
    struct Case {
        const char* line;
        TFileRecord expected;
    };
    const Case cases[] = {
        {"", {}},
        {"abc", {u"abc"_qs, {}, {}, 0, 0}},
        {"H|\\a.txt", {u"\\a.txt"_qs, u"H"_qs, {}, 0, 0}},
        {"H|\\a.txt|12|40E59DD000000000|P", {u"\\a.txt"_qs, u"H"_qs, u"P"_qs, 12, 44270.5}},
        {"H|\\a.txt|1|0|P|extra|more", {u"\\a.txt"_qs, u"H"_qs, u"P"_qs, 1, 0}},
        {" H | n |x12|zz| P ", {u" n "_qs, u" H "_qs, u" P "_qs, 0, 0}},
        {"H|n|-5|0000000000000000|", {u"n"_qs, u"H"_qs, {}, -5, 0}},
        {"H|n|3000000000||", {u"n"_qs, u"H"_qs, {}, 3000000000LL, 0}},
        {"H|n|99999999999999999999|1|", {u"n"_qs, u"H"_qs, {}, 0, std::bit_cast<double>(quint64(1))}},
        {"H|n|1|3ff0000000000000", {u"n"_qs, u"H"_qs, {}, 1, 1.0}},
        {"H|n|1|10000000000000000", {u"n"_qs, u"H"_qs, {}, 1, 0}}, // more than 64 bits
        {"|||", {}},
    };
    for (const Case& c : cases) {
        TFileList list(false);
        ASSERT_TRUE(list.LoadFromStrings({QString::fromUtf8(c.line)}).ok()) << c.line;
        ASSERT_EQ(list.Count(), 1) << c.line;
        const TFileRecord& got = list.GetItemByID(0)->Content;
        EXPECT_EQ(got.Name, c.expected.Name) << c.line;
        EXPECT_EQ(got.Hash, c.expected.Hash) << c.line;
        EXPECT_EQ(got.HashPacked, c.expected.HashPacked) << c.line;
        EXPECT_EQ(got.Size, c.expected.Size) << c.line;
        EXPECT_EQ(std::bit_cast<quint64>(got.Date), std::bit_cast<quint64>(c.expected.Date)) << c.line;
    }
}

TEST(TFileList, ReadsLocaleDatesAndStopsAtABadOne) {
    const QLocale locale = QLocale::system();
    const QDateTime when(QDate(2021, 3, 15), QTime(12, 30, 0));
    const QString text = locale.toString(when.date(), QLocale::ShortFormat) + u' ' + QStringLiteral("12:30:00");

    TFileList list(true);
    const Status status =
        list.LoadFromStrings({u"H|\\a|1|"_qs + text + u"|P"_qs, u"H|\\b|2|not a date|P"_qs, u"H|\\c|3|0|P"_qs});
    EXPECT_EQ(status.message(), u"'not a date' is not a valid date and time"_qs);
    ASSERT_EQ(list.Count(), 1); // the line before stays, the line after is not read
    // A locale whose short date has a two-digit year may read it in another century.
    const QDateTime got = kaldoria::platform::DayCount::toLocalDateTime(list.GetItemByName(u"\\a"_qs)->Content.Date);
    EXPECT_EQ(got.time(), when.time());
    EXPECT_EQ(got.date().month(), 3);
    EXPECT_EQ(got.date().day(), 15);
}

TEST(TFileList, SortedKeepsTheFirstOfEachKeyAndFindsByKey) {
    TFileList list(true);
    list.AddItemSimple(u"\\Data\\B.bin"_qs, hashA, zero, 1, 0);
    list.AddItemSimple(u"  \\data\\b.BIN\t"_qs, zero, zero, 2, 0); // same key: ignored
    list.AddItemSimple(u"\\a.txt"_qs, zero, zero, 3, 0);
    list.AddItemEmpty(u"\\C.txt"_qs);

    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Key(0), u"\\a.txt"_qs);
    EXPECT_EQ(list.Key(1), u"\\c.txt"_qs);
    EXPECT_EQ(list.Key(2), u"\\data\\b.bin"_qs);
    const TFileItem* b = list.GetItemByName(u" \\DATA\\b.bin "_qs);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Content.Name, u"\\Data\\B.bin"_qs);
    EXPECT_EQ(b->Content.Size, 1);
    EXPECT_EQ(list.GetId(u"\\missing"_qs), -1);
    EXPECT_EQ(list.GetItemByName(u"\\missing"_qs), nullptr);

    auto refused = list.AddItem(u"\\A.TXT"_qs, std::make_unique<TFileItem>());
    EXPECT_NE(refused, nullptr); // handed back to the caller
    EXPECT_EQ(list.AddItem(u"\\d"_qs, std::make_unique<TFileItem>()), nullptr);
    EXPECT_EQ(list.Count(), 4);
}

TEST(TFileList, UnsortedKeepsOrderAndRepeatsAndSwaps) {
    TFileList list(false);
    list.LoadFromStrings({u"1|\\Z"_qs, u"2| \\z"_qs, u"3|\\a"_qs});
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetId(u"\\z"_qs), 0); // the first of two equal keys wins
    EXPECT_EQ(list.GetItemByName(u"\\Z"_qs)->Content.Hash, u"1"_qs);

    list.SwapItems(0, 2);
    EXPECT_EQ(list.GetItemByID(0)->Content.Hash, u"3"_qs);
    EXPECT_EQ(list.Key(0), u"\\a"_qs);
    const QStringList before = saved(list);
    for (const auto& [a, b] : {std::pair{-1, 0}, {0, 3}, {1, 1}})
        list.SwapItems(a, b);
    EXPECT_EQ(saved(list), before);

    list.SetSorted(true); // sorts; the repeated key stays, the first of them first
    EXPECT_EQ(saved(list), (QStringList{u"3|\\a|0|0000000000000000|"_qs, u"2| \\z|0|0000000000000000|"_qs,
                                        u"1|\\Z|0|0000000000000000|"_qs}));
    list.SwapItems(0, 1); // nothing in a sorted list
    EXPECT_EQ(list.GetItemByID(0)->Content.Hash, u"3"_qs);
    list.SetSorted(false);
    EXPECT_EQ(list.GetItemByID(2)->Content.Hash, u"1"_qs);
}

TEST(TFileList, DeletesAndClears) {
    TFileList list(true);
    for (const char* name : {"\\c", "\\a", "\\b"})
        list.AddItemEmpty(QString::fromLatin1(name));
    list.DeleteById(-1);
    list.DeleteById(list.Count());
    EXPECT_EQ(list.Count(), 3);
    list.DeleteByName(u"\\B"_qs);
    list.DeleteByName(u"\\nothing"_qs);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Key(1), u"\\c"_qs);
    list.DeleteById(0);
    EXPECT_EQ(list.Key(0), u"\\c"_qs);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(saved(list), QStringList());
    list.SaveToStrings(nullptr);
}

// A large list added in reverse order ends up in key order, without repeated keys, and keeps
// that order when it becomes unsorted.
TEST(TFileList, SortedModeHoldsLargeListsInOrder) {
    const auto inKeyOrder = [](const TFileList& list) {
        for (int i = 1; i < list.Count(); ++i) {
            if (!(list.Key(i - 1) < list.Key(i)))
                return false;
        }
        return true;
    };
    TFileList list(true);
    for (int i = 20000; i > 0; --i)
        list.AddItemEmpty(QStringLiteral("\\f%1").arg(i % 15000, 5, 10, QChar(u'0')));
    ASSERT_EQ(list.Count(), 15000);
    EXPECT_TRUE(inKeyOrder(list));
    EXPECT_EQ(list.GetId(u"\\F00042"_qs), 42);

    TFileList reversed(true);
    for (int i = 200; i > 0; --i)
        reversed.AddItemEmpty(QStringLiteral("\\f%1").arg(i, 3, 10, QChar(u'0')));
    reversed.SetSorted(false);
    EXPECT_TRUE(inKeyOrder(reversed));
}

TEST(TFileList, WritesAndReadsBackBitForBit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"OldList.lst"_qs);
    TFileList list(true);
    list.AddItemSimple(u"\\big.pak"_qs, hashA, zero, 5000000000LL, 44270.5);
    list.AddItemSimple(u"\\Mixed Case\\x.dat"_qs, zero, hashA, 0, 45123.123456789012);
    list.AddItemSimple(u"\\neg"_qs, zero, zero, -1, -1.25);
    list.AddItemSimple(u"\\tiny"_qs, zero, zero, 1, std::bit_cast<double>(quint64(1)));
    ASSERT_TRUE(list.SaveToFile(path).ok());

    const QByteArray bytes = readAll(path);
    EXPECT_TRUE(bytes.startsWith("0123456789ABCDEF0123456789ABCDEF|\\big.pak|5000000000|40E59DD000000000|0000"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 4);

    TFileList back(true);
    ASSERT_TRUE(back.LoadFromFile(path).ok());
    ASSERT_EQ(back.Count(), list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        const TFileRecord& a = list.GetItemByID(i)->Content;
        const TFileRecord& b = back.GetItemByID(i)->Content;
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.Hash, b.Hash);
        EXPECT_EQ(a.HashPacked, b.HashPacked);
        EXPECT_EQ(a.Size, b.Size);
        EXPECT_EQ(std::bit_cast<quint64>(a.Date), std::bit_cast<quint64>(b.Date));
    }
    // Nothing but the list is left in the folder: the temporary file was renamed into place.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"OldList.lst"_qs});

    TFileList empty(true);
    ASSERT_TRUE(empty.SaveToFile(path).ok());
    EXPECT_EQ(readAll(path), QByteArray());
}

TEST(TFileList, ReadsByteOrderMarksAndAnyLineEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"updater.lst"_qs);
    const QString text = u"A|\\one|1||\r\nB|\\two|2||\nC|\\three|3||\rD|\\four|4||"_qs;
    QByteArray utf16le("\xFF\xFE", 2);
    for (const QChar c : text)
        utf16le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    for (const QByteArray& bytes : {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), utf16le, text.toLatin1()}) {
        ASSERT_TRUE(writeAll(path, bytes));
        TFileList list(false);
        ASSERT_TRUE(list.LoadFromFile(path).ok());
        EXPECT_EQ(saved(list), (QStringList{u"A|\\one|1|0000000000000000|"_qs, u"B|\\two|2|0000000000000000|"_qs,
                                            u"C|\\three|3|0000000000000000|"_qs, u"D|\\four|4|0000000000000000|"_qs}));
    }
}

TEST(TFileList, FileErrorsLeaveTheListAsItWas) {
    QTemporaryDir dir;
    TFileList list(true);
    list.AddItemEmpty(u"\\kept"_qs);
    const QString missing = dir.filePath(u"none.lst"_qs);
    EXPECT_EQ(list.LoadFromFile(missing).message(), u"Cannot open file "_qs + missing);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.SaveToFile(dir.filePath(u"no/such/folder/x.lst"_qs)).ok());

    // Backslash separators are accepted, and a folder is found whatever the case of its name.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"Work"_qs));
    ASSERT_TRUE(list.SaveToFile(dir.path() + u"\\work\\OldList.lst"_qs).ok());
    EXPECT_TRUE(QFile::exists(dir.filePath(u"Work/OldList.lst"_qs)));
}

TEST(TFileList, AddsNothingOnceItsTokenIsCancelled) {
    TFileList list(true);
    const kaldoria::platform::CancelToken token;
    list.setCancelToken(token);
    list.AddItemEmpty(u"\\a"_qs);
    token.cancel();
    list.AddItemEmpty(u"\\b"_qs);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetId(u"\\a"_qs), 0);
    list.LoadFromStrings({u"H|\\c"_qs});
    EXPECT_EQ(list.Count(), 0);
}

TEST(TFileList, AssignCopiesEntriesInTheTargetsMode) {
    TFileList source(false);
    source.LoadFromStrings({u"1|\\b"_qs, u"2|\\A"_qs, u"3| \\B"_qs});
    TFileList sorted(true);
    sorted.AddItemEmpty(u"\\old"_qs);
    sorted.Assign(source);
    EXPECT_EQ(saved(sorted), (QStringList{u"2|\\A|0|0000000000000000|"_qs, u"1|\\b|0|0000000000000000|"_qs}));
    sorted.AddItemEmpty(u"\\c"_qs); // still sorted and complete after the copy
    EXPECT_EQ(sorted.GetId(u"\\c"_qs), 2);

    TFileList unsorted(false);
    unsorted.Assign(source);
    EXPECT_EQ(saved(unsorted), saved(source));
    source.Clear();
    EXPECT_EQ(unsorted.GetItemByID(2)->Content.Name, u" \\B"_qs); // items are copies
}
