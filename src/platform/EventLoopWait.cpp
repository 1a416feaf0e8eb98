#include "platform/EventLoopWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace kaldoria::platform {

void dispatchPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

WaitOutcome waitWhileDispatching(const std::function<bool()>& done, const CancelToken& cancel,
                                 QDeadlineTimer deadline) {
    // A timer wakes the sleeping dispatcher when the deadline passes.
    QTimer wake;
    wake.setSingleShot(true);
    if (!deadline.isForever())
        wake.start(std::max<qint64>(0, deadline.remainingTime()));

    QEventLoop loop;
    for (;;) {
        if (cancel.isCancelled())
            return WaitOutcome::Cancelled;
        if (done())
            return WaitOutcome::Done;
        if (deadline.hasExpired())
            return WaitOutcome::TimedOut;
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace kaldoria::platform
