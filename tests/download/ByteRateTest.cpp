#include "download/ByteRate.h"

#include <gtest/gtest.h>

#include <optional>

namespace kaldoria::download {

TEST(ByteRate, ReadsBytesPerSecondWithBinarySuffixes) {
    constexpr qint64 kKiB = 1024;
    const struct {
        const char* text;
        std::optional<qint64> bytes;
    } cases[] = {
        {"0", 0},
        {"1", 1},
        {"250000", 250000},
        {"500k", 500 * kKiB},
        {"500K", 500 * kKiB},
        {"5M", 5 * kKiB * kKiB},
        {"5m", 5 * kKiB * kKiB},
        {"1.5M", 3 * kKiB * kKiB / 2},
        {"0.5k", 512},
        {"2G", 2 * kKiB * kKiB * kKiB},
        {"1024G", kKiB * kKiB * kKiB * kKiB},
        {" 7M ", 7 * kKiB * kKiB},
        {"0M", 0},
        // Nonsense and what does not make a whole byte per second.
        {"", std::nullopt},
        {"M", std::nullopt},
        {"-5M", std::nullopt},
        {"+5M", std::nullopt},
        {"5MB", std::nullopt},
        {"5T", std::nullopt},
        {"5 M", std::nullopt},
        {"1e6", std::nullopt},
        {"1.", std::nullopt},
        {".5M", std::nullopt},
        {"1.2.3", std::nullopt},
        {"0x10", std::nullopt},
        {"fast", std::nullopt},
        {"1025G", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"0.4", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseByteRate(QString::fromLatin1(c.text)), c.bytes) << '"' << c.text << '"';
}

TEST(ByteRate, TextReadsBackExactly) {
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {{0, "0"},
                 {1000, "1000"},
                 {1024, "1K"},
                 {300 * 1024, "300K"},
                 {5 << 20, "5M"},
                 {(5 << 20) + 1, "5242881"},
                 {qint64(3) << 30, "3G"},
                 {1536 * 1024, "1536K"}};
    for (const auto& c : cases) {
        EXPECT_EQ(byteRateText(c.bytes), QString::fromLatin1(c.text));
        EXPECT_EQ(parseByteRate(byteRateText(c.bytes)), c.bytes);
    }
}

} // namespace kaldoria::download
