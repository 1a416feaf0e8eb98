#include "update/chunkpatch/KeptIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using kaldoria::update::KeptIndex;

namespace {

// A work folder and a client file of 5 bytes whose index is kept.
class KeptIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(write(m_file, "abcde"));
        // A date to the millisecond, as the launcher gives files: one a QDateTime can set again.
        setDate(m_file, kDate);
        m_kept = KeptIndex::pathFor(m_dir.path(), QStringLiteral("\\Data\\file.pak"));
        ASSERT_TRUE(KeptIndex::keep(kIndex, m_kept, m_file));
    }
    static bool write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static void setDate(const QString& path, const QDateTime& date) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(date, QFileDevice::FileModificationTime));
    }

    inline static const QDateTime kDate{QDate(2024, 7, 1), QTime(12, 0, 0, 250)};
    static constexpr char kIndex[] = "kaldoria-chunk-index 1\nsize 5\nchunk "
                                     "36bbe50ed96841d10443bcb670d6554f0a34b761be67ec9c4a8ad2c0c44ca42c 5\n";
    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("file.pak"));
    QString m_kept;
};

} // namespace

TEST_F(KeptIndexTest, DescribesTheFileOnlyWhileItKeepsItsSizeAndDate) {
    EXPECT_EQ(KeptIndex::pathFor(m_dir.path(), QStringLiteral(" \\DATA\\File.PAK")), m_kept) << "any spelling";
    const std::optional<kaldoria::chunks::ChunkIndex> kept = KeptIndex::read(m_kept, m_file);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->fileSize(), 5);

    // Another date: the kept index is stale and goes.
    setDate(m_file, kDate.addSecs(-60));
    EXPECT_FALSE(KeptIndex::read(m_kept, m_file).has_value());
    EXPECT_FALSE(QFileInfo::exists(m_kept));

    // Another size under the date it was kept for: stale too.
    setDate(m_file, kDate);
    ASSERT_TRUE(KeptIndex::keep(kIndex, m_kept, m_file));
    ASSERT_TRUE(write(m_file, "abcdef"));
    setDate(m_file, kDate);
    EXPECT_FALSE(KeptIndex::read(m_kept, m_file).has_value());
    EXPECT_FALSE(QFileInfo::exists(m_kept));
}

TEST_F(KeptIndexTest, DamagedOrMissingKeptIndexIsNotUsed) {
    ASSERT_TRUE(write(m_kept, QByteArray(kIndex).chopped(10)));
    setDate(m_kept, kDate);
    EXPECT_FALSE(KeptIndex::read(m_kept, m_file).has_value());
    EXPECT_FALSE(QFileInfo::exists(m_kept));
    EXPECT_FALSE(KeptIndex::read(m_kept, m_file).has_value());
}

TEST_F(KeptIndexTest, IndexesOfFilesTheListNoLongerNamesAreRemoved) {
    const QString other = KeptIndex::pathFor(m_dir.path(), QStringLiteral("\\other.pak"));
    ASSERT_TRUE(KeptIndex::keep(kIndex, other, m_file));
    KeptIndex::removeUnlisted(m_dir.path(), {QStringLiteral("\\data\\file.pak"), QStringLiteral("\\new.pak")});
    EXPECT_TRUE(QFileInfo::exists(m_kept));
    EXPECT_FALSE(QFileInfo::exists(other));
}
