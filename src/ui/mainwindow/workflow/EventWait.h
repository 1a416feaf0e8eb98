#pragma once

#include <functional>

namespace kaldoria::workflow {

// The one way the workflow waits on the user-interface thread: the event loop keeps
// running (sockets, timers, the window's handlers) until `done` holds; `done` is looked
// at every few milliseconds.
class EventWait {
public:
    static void until(const std::function<bool()>& done);
};

} // namespace kaldoria::workflow
