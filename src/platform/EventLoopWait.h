#pragma once

#include "platform/CancelToken.h"

#include <QDeadlineTimer>

#include <functional>

namespace kaldoria::platform {

// How a wait that keeps the event loop running ended.
enum class WaitOutcome {
    Done,      // the condition became true
    Cancelled, // the token was cancelled first
    TimedOut,  // the deadline passed first
};

// Waits on the user-interface thread until `done()` is true while dispatching every event
// of the thread (window messages, timers, and the blocking calls of worker threads), so the
// window stays live and any handler may run inside the wait. The wait sleeps until an event
// arrives instead of spinning.
//
// Before each round it looks at `cancel` and returns Cancelled once it is set; what follows
// (giving the work up, ending the program) is the caller's. Code after a wait must re-check
// that what it uses still exists.
WaitOutcome waitWhileDispatching(const std::function<bool()>& done, const CancelToken& cancel,
                                 QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

// Dispatches every event pending for the calling thread, then returns.
void dispatchPendingEvents();

} // namespace kaldoria::platform
