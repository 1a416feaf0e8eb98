#include "app/CommandLine.h"

#include <gtest/gtest.h>

using kaldoria::app::CommandLine;

TEST(CommandLine, SwitchesStandAnywhereAndTheFirstArgumentIsKept) {
    const struct {
        QStringList args;
        bool headless, checkAll, startGame, help, version;
        QStringList unknown;
    } cases[] = {
        {{}, false, false, false, false, false, {}},
        {{u"--headless"_qs}, true, false, false, false, false, {}},
        {{u"-debug"_qs, u"--headless"_qs, u"--check-all"_qs}, true, true, false, false, false, {}},
        {{u"filemode=/srv/packs"_qs, u"--start-game"_qs, u"--headless"_qs}, true, false, true, false, false, {}},
        {{u"--help"_qs, u"--version"_qs}, false, false, false, true, true, {}},
        {{u"-debug"_qs, u"--frobnicate"_qs, u"--headless"_qs}, true, false, false, false, false, {u"--frobnicate"_qs}},
        {{u"-debug"_qs, u"stray"_qs, u"-x"_qs}, false, false, false, false, false, {}},
    };
    for (const auto& c : cases) {
        const CommandLine line = CommandLine::parse(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(line.arguments, c.args) << what;
        EXPECT_EQ(line.headless, c.headless) << what;
        EXPECT_EQ(line.checkAll, c.checkAll) << what;
        EXPECT_EQ(line.startGame, c.startGame) << what;
        EXPECT_EQ(line.help, c.help) << what;
        EXPECT_EQ(line.version, c.version) << what;
        EXPECT_EQ(line.unknownSwitches, c.unknown) << what;
    }
}

TEST(CommandLine, RestartedStandsAnywhereAfterTheFirstArgument) {
    EXPECT_FALSE(CommandLine::parse({u"--headless"_qs}).restarted);
    EXPECT_TRUE(CommandLine::parse({u"-debug"_qs, u"--restarted"_qs, u"--headless"_qs}).restarted);
    const CommandLine line = CommandLine::parse({u"filemode=/srv"_qs, u"--headless"_qs, u"--restarted"_qs});
    EXPECT_TRUE(line.restarted);
    EXPECT_TRUE(line.headless);
    EXPECT_TRUE(line.unknownSwitches.isEmpty());
}

TEST(CommandLine, LimitRateTakesARateAndRefusesNonsense) {
    constexpr qint64 kMiB = 1024 * 1024;
    const struct {
        QStringList args;
        std::optional<qint64> rate;
        bool refused;
    } cases[] = {
        {{u"--headless"_qs}, std::nullopt, false},
        {{u"--headless"_qs, u"--limit-rate"_qs, u"5M"_qs}, 5 * kMiB, false},
        {{u"-debug"_qs, u"--limit-rate=500k"_qs, u"--headless"_qs}, 500 * 1024, false},
        {{u"--limit-rate"_qs, u"0"_qs}, 0, false},
        {{u"--limit-rate"_qs, u"1.5M"_qs, u"--check-all"_qs}, 3 * kMiB / 2, false},
        {{u"--headless"_qs, u"--limit-rate"_qs}, std::nullopt, true},
        {{u"--limit-rate"_qs, u"fast"_qs}, std::nullopt, true},
        {{u"--limit-rate=-1"_qs}, std::nullopt, true},
        {{u"--limit-rate="_qs}, std::nullopt, true},
        {{u"--limit-rate"_qs, u"5MB"_qs}, std::nullopt, true},
        // A switch where the rate should be is taken as the value and refused.
        {{u"--limit-rate"_qs, u"--headless"_qs}, std::nullopt, true},
    };
    for (const auto& c : cases) {
        const CommandLine line = CommandLine::parse(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(line.limitRate, c.rate) << what;
        EXPECT_EQ(!line.badValue.isEmpty(), c.refused) << what << ": " << line.badValue.toStdString();
        EXPECT_TRUE(line.unknownSwitches.isEmpty()) << what;
    }
    // The value stays out of the switches and the first argument keeps its place.
    const CommandLine line = CommandLine::parse({u"-debug"_qs, u"--limit-rate"_qs, u"2M"_qs, u"--headless"_qs});
    EXPECT_TRUE(line.headless);
    EXPECT_EQ(line.arguments.first(), u"-debug"_qs);
    EXPECT_TRUE(CommandLine::parse({u"--limit-rate"_qs, u"x"_qs}).badValue.contains(u"\"x\""_qs));
}
