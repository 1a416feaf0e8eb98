#include "ui/mainwindow/MessagePanel.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kaldoria::mainwindow {

namespace {

// Counts how often the panel appears and records its heights while it opens.
class PanelWatch : public QObject {
public:
    explicit PanelWatch(MessagePanel& panel) { panel.installEventFilter(this); }
    int shown = 0;
    QList<int> heights;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++shown;
        if (event->type() == QEvent::Resize)
            heights << static_cast<QWidget*>(watched)->height();
        return false;
    }
};

} // namespace

TEST(MessagePanelTest, SecondMessageReplacesTheTextWithoutRestartingTheOpenPeriod) {
    QWidget window;
    window.resize(400, 200);
    window.show();
    // The two messages come a fifth of the open period apart, as 2 seconds are of 10.
    MessagePanel panel(&window, {1, 1000});
    PanelWatch watch(panel);
    panel.MsgShow(QStringLiteral("first"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isOpen(); }));
    EXPECT_EQ(panel.height(), 45);
    const int firstRemaining = panel.closesIn();
    QTest::qWait(200);
    panel.MsgShow(QStringLiteral("second"));
    EXPECT_EQ(panel.MsgLabel()->text(), QStringLiteral("second"));
    EXPECT_LE(panel.closesIn(), firstRemaining) << "the open period runs on from the first message";
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isHidden(); }, 10000));
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(watch.heights.mid(watch.heights.indexOf(5)), (QList<int>{5, 10, 15, 20, 25, 30, 35, 40, 45}));
    EXPECT_EQ(panel.tag(), 0);
}

TEST(MessagePanelTest, CloseWhileOpeningHidesAtOnceAndTheNextMessageStartsAgain) {
    QWidget window;
    window.resize(400, 200);
    window.show();
    MessagePanel panel(&window, {200, 10000});
    PanelWatch watch(panel);
    panel.MsgShow(QStringLiteral("first"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.tag() >= 2; }));
    ASSERT_TRUE(panel.isOpening());
    QTest::mouseClick(panel.MsgCloseBtn(), Qt::LeftButton);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_EQ(panel.tag(), 0);
    EXPECT_FALSE(panel.isOpening());

    watch.heights.clear();
    panel.MsgShow(QStringLiteral("again"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.tag() >= 1; }));
    EXPECT_EQ(watch.heights.value(0), 5) << "it opens again from 5 pixels";
}

// An error stays open and a notice does not replace it; its action button closes the
// panel and reports the click; the panel opens tall enough for the text and the button.
TEST(MessagePanelTest, ErrorStaysUntilClosedAndItsActionClosesThePanel) {
    QWidget window;
    window.resize(500, 300);
    window.show();
    MessagePanel panel(&window, {1, 20});
    panel.setPanelWidth(420);
    QSignalSpy actions(&panel, &MessagePanel::actionClicked);
    panel.showError(QStringLiteral("3 files could not be updated.\n\\a.dat, \\b.dat, \\c.dat"),
                    QStringLiteral("Retry"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isOpen(); }));
    EXPECT_EQ(panel.closesIn(), -1);
    panel.MsgShow(QStringLiteral("a notice"));
    QTest::qWait(150);
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.isError());
    EXPECT_TRUE(panel.MsgLabel()->text().startsWith(QStringLiteral("3 files")));
    EXPECT_EQ(panel.height(), panel.fullHeight());
    EXPECT_GT(panel.height(), MessagePanel::kMinHeight) << "room for the action button";
    EXPECT_LE(panel.actionButton()->geometry().bottom(), panel.height());
    EXPECT_LE(panel.MsgCloseBtn()->geometry().right(), panel.width());

    QTest::mouseClick(panel.actionButton(), Qt::LeftButton);
    EXPECT_EQ(actions.count(), 1);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(panel.isError());
    panel.MsgShow(QStringLiteral("a notice again"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isVisible(); }));
    EXPECT_FALSE(panel.actionButton()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.isHidden(); })) << "a notice closes itself";
}

} // namespace kaldoria::mainwindow
