#include "platform/IntegerText.h"

#include <gtest/gtest.h>

using namespace kaldoria::platform;

TEST(IntegerText, ReadsTheNumberGrammar) {
    struct Case {
        const char* text;
        std::optional<qint64> value64;
        std::optional<qint32> value32;
    };
    const Case cases[] = {
        {"16", 16, 16},
        {"$10", 16, 16},
        {"0x10", 16, 16},
        {"x10", 16, 16},
        {"0X1f", 31, 31},
        {"-5", -5, -5},
        {"+7", 7, 7},
        {"  12", 12, 12},
        {"12 ", std::nullopt, std::nullopt},
        {"12px", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"$", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"4294967306", 4294967306LL, std::nullopt}, // 2^32 + 10: a 64-bit value, too wide for 32 bits
        {"2147483647", 2147483647LL, 2147483647},
        {"-2147483648", -2147483648LL, qint32(-2147483647 - 1)},
        {"2147483648", 2147483648LL, std::nullopt},
        {"$FFFFFFFF", 0xFFFFFFFFLL, -1},
        {"9223372036854775807", 9223372036854775807LL, std::nullopt},
        {"9223372036854775808", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(parseInteger64(text), c.value64) << c.text;
        EXPECT_EQ(parseInteger32(text), c.value32) << c.text;
    }
    EXPECT_EQ(qint32(integer64Or0(QStringLiteral("4294967306"))), 10); // the low 32 bits
}
