#include "ui/mainwindow/ProgressBars.h"

#include <gtest/gtest.h>

#include <map>

namespace kaldoria::mainwindow {

namespace {

// Controls 527 (the one-file bar) or 200 pixels wide that remember what they were told.
struct RecordedControls {
    std::map<ProgressControl, int> maximum;
    std::map<ProgressControl, int> position;
    int calls = 0;

    ProgressBars::Controls controls() {
        return {.setMaximum =
                    [this](ProgressControl c, int m) {
                        maximum[c] = m;
                        ++calls;
                    },
                .setPosition =
                    [this](ProgressControl c, int p) {
                        position[c] = p;
                        ++calls;
                    },
                .width = [](ProgressControl c) { return c == ProgressControl::OneFileBar ? 527 : 200; }};
    }
};

} // namespace

TEST(ProgressBarsTest, BytesAreDrawnPixelByPixelOnEachControl) {
    RecordedControls recorded;
    ProgressBars bars(recorded.controls());
    bars.showFile(1, 2);
    EXPECT_EQ(recorded.maximum[ProgressControl::OneFileBar], 527);
    EXPECT_EQ(recorded.position[ProgressControl::OneFileBar], 264); // 263.5 to even
    EXPECT_EQ(recorded.position[ProgressControl::OneFileGauge], 100);
    bars.showFile(0, -1); // no length yet: an empty bar
    EXPECT_EQ(recorded.position[ProgressControl::OneFileGauge], 0);
    bars.showTotal(3, 4);
    EXPECT_EQ(recorded.position[ProgressControl::TotalBar], 150);
    EXPECT_EQ(recorded.position.count(ProgressControl::TotalGauge), 1u);
}

TEST(ProgressBarsTest, StepsCountWholeStepsAndOnlyChangesReachTheControls) {
    RecordedControls recorded;
    ProgressBars bars(recorded.controls());
    bars.showStep(2, 4);
    EXPECT_EQ(recorded.maximum[ProgressControl::OneFileGauge], 4);
    EXPECT_EQ(recorded.position[ProgressControl::OneFileBar], 2);
    const int calls = recorded.calls;
    bars.showStep(2, 4);
    EXPECT_EQ(recorded.calls, calls);
    EXPECT_EQ(recorded.position.count(ProgressControl::TotalBar), 0u);
}

} // namespace kaldoria::mainwindow
