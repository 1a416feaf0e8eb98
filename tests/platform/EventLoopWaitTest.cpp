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
    EXPECT_EQ(waitWhileDispatching([&] { return done; }, CancelToken()), WaitOutcome::Done);
    worker->wait();
}

TEST(EventLoopWait, EndsAtTheDeadline) {
    EXPECT_EQ(waitWhileDispatching([] { return false; }, CancelToken(), QDeadlineTimer(20)), WaitOutcome::TimedOut);
}

// A terminate request, even from another thread, wakes the wait on the process's token; the
// wait reports it and leaves ending the program to its caller.
TEST(EventLoopWait, ReturnsCancelledOnATerminateRequestWithoutEndingTheProgram) {
    TerminateRequest::reset();
    std::atomic<int> ended = 0;
    TerminateRequest::setEndProgramHook([&] { ++ended; });
    const CancelToken token = TerminateRequest::token();
    std::unique_ptr<QThread> other(QThread::create([] {
        QThread::msleep(10);
        TerminateRequest::request();
    }));
    other->start();
    EXPECT_EQ(waitWhileDispatching([] { return false; }, token), WaitOutcome::Cancelled);
    other->wait();
    TerminateRequest::setEndProgramHook({});
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(TerminateRequest::isRequested());

    // A reset gives a fresh token; copies of the old one stay cancelled.
    TerminateRequest::reset();
    EXPECT_FALSE(TerminateRequest::isRequested());
    EXPECT_FALSE(TerminateRequest::token().isCancelled());
    EXPECT_TRUE(token.isCancelled());
}

// Without a hook, ending the program ends the process at once with exit code 0.
TEST(TerminateRequestDeathTest, EndsTheProcessWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TerminateRequest::endProgram(), ::testing::ExitedWithCode(0), "");
}
