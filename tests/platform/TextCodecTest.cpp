#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace kaldoria::platform;

TEST(TextCodec, HonoursByteOrderMarks) {
    EXPECT_EQ(TextCodec::decode(QByteArray("\xEF\xBB\xBF"
                                           "a\xC3\xA9")),
              QString::fromUtf8("a\xC3\xA9"));
    EXPECT_EQ(TextCodec::decode(QByteArray("\xFF\xFE"
                                           "a\0b\0",
                                           6)),
              QStringLiteral("ab"));
    EXPECT_EQ(TextCodec::decode(QByteArray("\xFE\xFF\0a\0b", 6)), QStringLiteral("ab"));
    EXPECT_EQ(TextCodec::decode(QByteArray("plain")), QStringLiteral("plain"));
}

TEST(TextCodec, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("Left=10\r\nTop=20")), (QStringList{u"Left=10"_qs, u"Top=20"_qs}));
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\rb\nc\r\n")), (QStringList{u"a"_qs, u"b"_qs, u"c"_qs}));
    EXPECT_EQ(TextCodec::splitLines(QStringLiteral("a\n\nb")), (QStringList{u"a"_qs, u""_qs, u"b"_qs}));
    EXPECT_EQ(TextCodec::splitLines(QString()), QStringList());
    EXPECT_EQ(TextCodec::encodeLines({u"a"_qs, u"b"_qs}), QByteArray("a\r\nb\r\n"));
}

TEST(TextCodec, TrimsBlanksAndControlCharacters) {
    EXPECT_EQ(TextCodec::trimControls(QStringLiteral("\t x y \x01\r")), QStringLiteral("x y"));
    EXPECT_EQ(TextCodec::trimControls(QStringLiteral(" \n ")), QString());
}
