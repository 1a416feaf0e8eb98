#include "platform/FolderLock.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using kaldoria::platform::FolderLock;

// The lock is exclusive between open lock files (and so between processes), is created
// with its folder, and is released with its object; a waiting taker gets it then.
TEST(FolderLock, OneHolderAtATime) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("client/updater/Kaldoria.lock"));
    auto first = std::make_unique<FolderLock>(path);
    ASSERT_EQ(first->acquire(0), FolderLock::Result::Held);
    EXPECT_TRUE(QFile::exists(path));

    FolderLock second(path);
    EXPECT_EQ(second.acquire(0), FolderLock::Result::HeldElsewhere);
    EXPECT_EQ(second.acquire(50), FolderLock::Result::HeldElsewhere);

    // Another process (flock(1), which takes the same kind of lock) waits while this one
    // holds the lock, and gets it once it is let go.
    QProcess waiting;
    waiting.start(QStringLiteral("flock"), {QStringLiteral("-w"), QStringLiteral("10"), path, QStringLiteral("true")});
    ASSERT_TRUE(waiting.waitForStarted());
    EXPECT_FALSE(waiting.waitForFinished(300));
    first.reset();
    ASSERT_TRUE(waiting.waitForFinished(10000));
    EXPECT_EQ(waiting.exitCode(), 0);
    EXPECT_EQ(second.acquire(0), FolderLock::Result::Held);
}

TEST(FolderLock, UnavailableWhenTheFileCannotBeMade) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("updater")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    FolderLock lock(dir.filePath(QStringLiteral("updater/Kaldoria.lock")));
    EXPECT_EQ(lock.acquire(0), FolderLock::Result::Unavailable);
    EXPECT_FALSE(lock.errorText().isEmpty());
}
