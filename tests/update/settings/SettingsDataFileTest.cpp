#include "update/settings/SettingsDataFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <bzlib.h>
#include <gtest/gtest.h>

using kaldoria::update::SettingsDataFile;

namespace {

QByteArray scrambledBzip2(const QByteArray& text) {
    QByteArray packed(text.size() + 1024, '\0');
    unsigned int length = static_cast<unsigned int>(packed.size());
    BZ2_bzBuffToBuffCompress(packed.data(), &length, const_cast<char*>(text.constData()),
                             static_cast<unsigned int>(text.size()), 9, 0, 0);
    packed.truncate(length);
    const QByteArray key = QByteArrayLiteral("Wardle_Options");
    for (qsizetype i = 0; i < packed.size(); ++i)
        packed[i] = static_cast<char>(packed[i] ^ key[i % key.size()]);
    return packed;
}

QString write(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath(QStringLiteral("Kaldoria.dat"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

TEST(SettingsDataFileTest, ReadsTheScrambledTextWithoutComments) {
    QTemporaryDir dir;
    const auto lines = SettingsDataFile::read(write(dir, scrambledBzip2("; note\r\n[Main]\r\n  Key=Value \r\n/x\r\n")));
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, (QStringList{QStringLiteral("[main]"), QStringLiteral("key=value")}));
}

TEST(SettingsDataFileTest, DamagedOrMissingFileGivesNothing) {
    QTemporaryDir dir;
    QByteArray damaged = scrambledBzip2("key=value\n");
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
    EXPECT_FALSE(SettingsDataFile::read(write(dir, damaged)).has_value());
    EXPECT_FALSE(SettingsDataFile::read(write(dir, "not bzip2 at all")).has_value());
    EXPECT_FALSE(SettingsDataFile::read(dir.filePath(QStringLiteral("missing.dat"))).has_value());
}
