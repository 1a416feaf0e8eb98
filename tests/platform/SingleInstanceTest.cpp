#include "platform/SingleInstance.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kaldoria::platform;

TEST(SingleInstance, SecondClaimFailsAndRaisesTheFirst) {
    const QString name = QStringLiteral("test-instance-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.count() == 1; }, 5000));

    SingleInstance other(name + QStringLiteral("-other"));
    EXPECT_TRUE(other.claim());
}
