#include "filelist/TMHThreads.h"

#include "QStringPrinter.h"

#include "filelist/TMD5.h"
#include "platform/DayCount.h"
#include "platform/TerminateRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <latch>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace kaldoria::filelist;
using kaldoria::platform::TerminateRequest;

namespace {

struct Event {
    QString name;
    QString hash;
    qint64 size;
    TDateTime date;
    bool onUiThread;
};

// A client folder: a few files of different sizes, a folder and a pipe where files are
// listed, and a file that is not there.
class HashFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.path();
        ASSERT_TRUE(QDir(m_path).mkpath(u"Data/Folder.bin"_qs));
        write(u"Data/Big.pak"_qs, QByteArray(3 * 8192 + 77, 'b'));
        write(u"a.txt"_qs, "abc");
        write(u"empty"_qs, {});
        write(u"Data/c.ini"_qs, QByteArray(8192, 'c'));
        ASSERT_EQ(::mkfifo(QFile::encodeName(m_path + u"/pipe"_qs).constData(), 0600), 0);
        // 2021-03-15 12:00:00.250 local time on a.txt
        const QDateTime when(QDate(2021, 3, 15), QTime(12, 0, 0, 250));
        QFile file(m_path + u"/a.txt"_qs);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
        m_aDate = kaldoria::platform::DayCount::fromDateTime(when);

        for (const char* name : {"\\Data\\Big.pak", "\\A.TXT", "\\empty", "\\data\\c.ini", "\\Data\\Folder.bin",
                                 "\\pipe", "\\missing.dat", "\\a.txt "})
            m_input.AddItemSimple(QString::fromLatin1(name), u"X"_qs, u"PACKED"_qs, 123, 456);
    }

    void write(const QString& name, const QByteArray& bytes) {
        QFile file(m_path + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::unique_ptr<TFileList> run(TMHThreads& hasher, int threads) { return run(hasher, m_input, threads); }

    std::unique_ptr<TFileList> run(TMHThreads& hasher, const TFileList& input, int threads) {
        hasher.OnThreadFileProceed = [this, &hasher](TMHThreads* sender, const QString& name, const QString& hash,
                                                     qint64 size, TDateTime date) {
            EXPECT_EQ(sender, &hasher);
            m_events.push_back({name, hash, size, date, QThread::currentThread() == qApp->thread()});
        };
        return hasher.CalculateHash(m_path, input, threads);
    }

    QTemporaryDir m_dir;
    QString m_path;
    TFileList m_input{false};
    TDateTime m_aDate = 0;
    std::vector<Event> m_events;
};

} // namespace

TEST_F(HashFolder, HardCheckMeasuresEveryDistinctFile) {
    for (const int threads : {1, 3, 20}) {
        m_events.clear();
        TMHThreads hasher;
        const std::unique_ptr<TFileList> result = run(hasher, threads);
        ASSERT_NE(result, nullptr);
        EXPECT_TRUE(hasher.isComplete());
        // "\A.TXT" and "\a.txt " share a key: one work entry, the first spelling.
        ASSERT_EQ(result->Count(), 7) << threads;
        ASSERT_EQ(m_events.size(), 7u) << threads;
        for (const Event& e : m_events)
            EXPECT_TRUE(e.onUiThread) << qPrintable(e.name);
        for (int i = 1; i < result->Count(); ++i)
            EXPECT_LT(result->Key(i - 1), result->Key(i));

        const auto record = [&](const char* name) { return result->GetItemByName(QString::fromLatin1(name))->Content; };
        const TFileRecord a = record("\\a.txt");
        EXPECT_EQ(a.Name, u"\\A.TXT"_qs);
        EXPECT_EQ(a.Hash, u"900150983CD24FB0D6963F7D28E17F72"_qs);
        EXPECT_EQ(a.Size, 3);
        EXPECT_DOUBLE_EQ(a.Date, m_aDate);
        EXPECT_EQ(a.HashPacked, ZeroDigest());
        const TFileRecord big = record("\\data\\big.pak");
        EXPECT_EQ(big.Hash, GetFileMD5(m_path + u"/Data/Big.pak"_qs).digest);
        EXPECT_EQ(big.Size, 3 * 8192 + 77);
        EXPECT_EQ(record("\\data\\c.ini").Hash, GetFileMD5(m_path + u"/Data/c.ini"_qs).digest);
        EXPECT_EQ(record("\\empty").Hash, u"D41D8CD98F00B204E9800998ECF8427E"_qs);
        for (const char* absent : {"\\missing.dat", "\\data\\folder.bin", "\\pipe"}) {
            const TFileRecord r = record(absent);
            EXPECT_EQ(r.Hash, ZeroDigest()) << absent;
            EXPECT_EQ(r.Size, 0) << absent;
            EXPECT_EQ(r.Date, 0) << absent;
        }
        for (const Event& e : m_events) {
            const TFileRecord& r = result->GetItemByName(e.name)->Content;
            EXPECT_EQ(r.Name, e.name);
            EXPECT_EQ(r.Hash, e.hash);
            EXPECT_EQ(r.Size, e.size);
            EXPECT_EQ(r.Date, e.date);
        }
    }
    EXPECT_EQ(m_input.GetItemByName(u"\\a.txt"_qs)->Content.Hash, u"X"_qs); // the input is not changed
}

TEST_F(HashFolder, MediumCheckTakesSizeAndDateOnly) {
    TMHThreads hasher;
    hasher.ModeIsHaveHash = false;
    const std::unique_ptr<TFileList> result = run(hasher, 3);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->Count(), 7);
    for (int i = 0; i < result->Count(); ++i)
        EXPECT_EQ(result->GetItemByID(i)->Content.Hash, ZeroDigest());
    const TFileRecord a = result->GetItemByName(u"\\a.txt"_qs)->Content;
    EXPECT_EQ(a.Size, 3);
    EXPECT_DOUBLE_EQ(a.Date, m_aDate);
    EXPECT_EQ(result->GetItemByName(u"\\missing.dat"_qs)->Content.Date, 0);
    EXPECT_EQ(result->GetItemByName(u"\\data\\folder.bin"_qs)->Content.Size, 0);
}

// A file whose size already differs from the list's is not read: its digest stays empty,
// which no listed digest equals; a file of the listed size gets its digest.
TEST_F(HashFolder, FileOfAnotherSizeThanListedIsNotHashed) {
    TFileList input(false);
    input.AddItemSimple(u"\\a.txt"_qs, u"X"_qs, u"P"_qs, 3, 0);
    input.AddItemSimple(u"\\Data\\Big.pak"_qs, u"X"_qs, u"P"_qs, 123, 0);
    TMHThreads hasher;
    hasher.SkipHashOfOtherSize = true;
    const std::unique_ptr<TFileList> result = run(hasher, input, 2);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetItemByName(u"\\a.txt"_qs)->Content.Hash, u"900150983CD24FB0D6963F7D28E17F72"_qs);
    const TFileRecord big = result->GetItemByName(u"\\Data\\Big.pak"_qs)->Content;
    EXPECT_EQ(big.Hash, QString());
    EXPECT_EQ(big.Size, 3 * 8192 + 77);
}

// Without the rights to read it, a file keeps the zero digest; the medium check still sees it.
TEST_F(HashFolder, UnreadableFileHasTheZeroDigest) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    ASSERT_TRUE(QFile::setPermissions(m_path + u"/a.txt"_qs, QFileDevice::Permissions()));
    for (const bool withHash : {true, false}) {
        TMHThreads hasher;
        hasher.ModeIsHaveHash = withHash;
        const TFileRecord a = run(hasher, 2)->GetItemByName(u"\\a.txt"_qs)->Content;
        EXPECT_EQ(a.Hash, ZeroDigest());
        EXPECT_EQ(a.Size, withHash ? 0 : 3);
    }
}

TEST_F(HashFolder, NothingToDoReturnsAnEmptyListAtOnce) {
    TMHThreads hasher;
    const TFileList empty(true);
    for (const auto& [list, threads] : {std::pair{&empty, 3}, {&m_input, 0}}) {
        const std::unique_ptr<TFileList> result = run(hasher, *list, threads);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->Count(), 0);
    }
    EXPECT_TRUE(m_events.empty());
}

TEST_F(HashFolder, BatchesRunOneAfterAnother) {
    TMHThreads hasher;
    const std::unique_ptr<TFileList> first = run(hasher, 3);
    m_input.DeleteByName(u"\\empty"_qs);
    const std::unique_ptr<TFileList> second = run(hasher, 3);
    EXPECT_EQ(first->Count(), 7);
    EXPECT_EQ(second->Count(), 6);
}

// A terminate request from another thread while files are being measured gives the batch up:
// no further event, a null result, and the program is left for the caller to end.
TEST_F(HashFolder, ACancelledBatchReturnsNullWithoutEndingTheProgram) {
    TerminateRequest::reset();
    int endCalls = 0;
    TerminateRequest::setEndProgramHook([&] { ++endCalls; });
    std::latch measuring(1);
    std::latch requested(1);
    std::thread closer([&] {
        measuring.wait();
        TerminateRequest::request();
        requested.count_down();
    });
    TMHThreads hasher(TerminateRequest::token());
    int events = 0;
    hasher.OnThreadFileProceed = [&](TMHThreads*, const QString&, const QString&, qint64, TDateTime) {
        // The first file is done: the request arrives before the hasher goes on.
        if (events++ == 0) {
            measuring.count_down();
            requested.wait();
        }
    };
    const std::unique_ptr<TFileList> result = hasher.CalculateHash(m_path, m_input, 1);
    closer.join();
    TerminateRequest::reset();
    TerminateRequest::setEndProgramHook({});
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(events, 1);
    EXPECT_EQ(endCalls, 0);
    // The released worker ends on its own once events are dispatched again.
    QCoreApplication::processEvents();
}
