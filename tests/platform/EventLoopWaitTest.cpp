#include "platform/EventLoopWait.h"

#include "platform/TerminateRequest.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace kaldoria::platform;

// A worker's blocking call runs on the waiting thread, inside the wait.
TEST(EventLoopWait, RunsBlockingCallsOfWorkersWhileWaiting) {
    QObject receiver;
    bool done = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        QMetaObject::invokeMethod(
            &receiver, [&] { done = true; }, Qt::BlockingQueuedConnection);
    }));
    worker->start();
    EXPECT_EQ(waitWhileDispatching([&] { return done; }), WaitOutcome::Done);
    worker->wait();
}

TEST(EventLoopWait, EndsAtTheDeadline) {
    EXPECT_EQ(waitWhileDispatching([] { return false; }, QDeadlineTimer(20)), WaitOutcome::TimedOut);
}

// A terminate request, even from another thread, wakes the wait and ends the program.
TEST(EventLoopWait, EndsTheProgramOnATerminateRequest) {
    std::atomic<int> ended = 0;
    TerminateRequest::setEndProgramHook([&] { ++ended; });
    std::unique_ptr<QThread> other(QThread::create([] {
        QThread::msleep(10);
        TerminateRequest::request();
    }));
    other->start();
    EXPECT_EQ(waitWhileDispatching([] { return false; }), WaitOutcome::Terminated);
    other->wait();
    EXPECT_TRUE(TerminateRequest::isRequested());
    TerminateRequest::reset();
    TerminateRequest::setEndProgramHook({});
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(TerminateRequest::isRequested());
}

// Without a hook, ending the program ends the process at once with exit code 0.
TEST(TerminateRequestDeathTest, EndsTheProcessWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TerminateRequest::endProgram(), ::testing::ExitedWithCode(0), "");
}
