#include "update/ProgressModel.h"
#include "update/checks/CheckSettings.h"

#include <gtest/gtest.h>

#include <map>

using namespace kaldoria::update;

namespace {

class RecordingView : public UpdateView {
public:
    void setStatusText(const QString&) override {}
    void setTotalText(const QString&) override {}
    void setProgressMaximum(ProgressControl c, int m) override { maximum[c] = m; }
    void setProgressPosition(ProgressControl c, int p) override { position[c] = p; }
    int progressWidth(ProgressControl c) const override { return c == ProgressControl::OneFileBar ? 527 : 200; }
    void setStartButtonEnabled(bool) override {}
    void setCheckAllVisible(bool) override {}
    void setCheckAllEnabled(bool) override {}
    void showMessage(const QString&) override {}

    std::map<ProgressControl, int> maximum;
    std::map<ProgressControl, int> position;
};

} // namespace

TEST(ProgressModelTest, PercentRoundsHalvesToEven) {
    EXPECT_EQ(ProgressModel::percent(1, 4), 25);
    EXPECT_EQ(ProgressModel::percent(1, 8), 12); // 12.5
    EXPECT_EQ(ProgressModel::percent(3, 8), 38); // 37.5
    EXPECT_EQ(ProgressModel::percent(2, 3), 67);
    EXPECT_EQ(ProgressModel::percent(5, 5), 100);
}

TEST(ProgressModelTest, DownloadProgressScalesEachControlToItsWidth) {
    RecordingView view;
    ProgressModel model(view);
    model.scaleToWidth(ProgressModel::Pair::OneFile);
    model.downloadProgress(1, 2);
    EXPECT_EQ(view.position[ProgressControl::OneFileBar], 264); // 263.5 to even
    EXPECT_EQ(view.position[ProgressControl::OneFileGauge], 100);
    model.downloadProgress(0, 0); // no length yet: nothing moves
    EXPECT_EQ(view.position[ProgressControl::OneFileGauge], 100);
}

TEST(ProgressModelTest, StepAndMaximumMoveBothControlsOfAPair) {
    RecordingView view;
    ProgressModel model(view);
    model.setMaximum(ProgressModel::Pair::Total, 4);
    model.step(ProgressModel::Pair::Total);
    model.step(ProgressModel::Pair::Total);
    EXPECT_EQ(view.position[ProgressControl::TotalGauge], 2);
    model.toMaximum(ProgressModel::Pair::Total);
    EXPECT_EQ(view.position[ProgressControl::TotalBar], 4);
    EXPECT_EQ(view.position.count(ProgressControl::OneFileBar), 0u);
}

TEST(CheckSettingsTest, UnknownTextsKeepThePreviousValue) {
    CheckSettings check;
    check.applyFrom(QStringLiteral("MEDIUM: SIZE & DATE"), QStringLiteral("ssd"));
    EXPECT_EQ(check.checkLevel, 1);
    EXPECT_EQ(check.hashThreadCount, 3);
    check.applyFrom(QStringLiteral("Light: Previous List"), QStringLiteral("floppy"));
    EXPECT_EQ(check.checkLevel, 0);
    EXPECT_EQ(check.hashThreadCount, 3);
    check.applyFrom(QStringLiteral("deep"), QStringLiteral("HDD"));
    EXPECT_EQ(check.checkLevel, 0);
    EXPECT_EQ(check.hashThreadCount, 1);
}
