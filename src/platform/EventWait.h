#pragma once

#include <functional>

namespace kaldoria::platform {

// Waiting on the user-interface thread while its events keep being dispatched: timers fire,
// workers' blocking queued calls run and any handler of a window may run in the middle.

// Dispatches every event pending for the calling thread, then returns.
void dispatchPendingEvents();

// Returns when `done()` is true. Sleeps until an event arrives and dispatches it, so `done`
// must become true through an event (a timer, a queued call, a handler). Ends the program
// when termination is requested while waiting.
void waitDispatching(const std::function<bool()>& done);

} // namespace kaldoria::platform
