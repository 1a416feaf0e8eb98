#include "ui/mainwindow/MessagePanel.h"

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

} // namespace kaldoria::mainwindow
