#pragma once

#include <functional>

namespace kaldoria::platform {

// The application's terminate request: one process-wide flag that the close action sets
// while update work is waiting, and that every waiting loop looks at. When a loop finds it
// set, it ends the program at once through endProgram().
//
// "At once" means: standard streams are flushed and the process ends with exit code 0
// without running destructors or exit handlers (std::_Exit), because worker threads may
// still be reading files or sockets and must not see global objects torn down under them.
// Everything the user must keep (settings) is saved before termination is requested.
// Tests install a hook that records the call and returns; callers then treat the wait as
// ended by termination and return without further work.
class TerminateRequest {
public:
    // Sets the flag and wakes the user-interface thread's event dispatcher, so a waiting
    // loop sees it even when no other event arrives. Safe from any thread.
    static void request();
    static bool isRequested();

    // Clears the flag (a new run in the same process, or the next test).
    static void reset();

    // Ends the program as described above, or calls the installed hook instead.
    static void endProgram();

    // endProgram() when termination was requested; true when it was (and the hook returned).
    static bool endProgramIfRequested();

    // Replaces what endProgram() does; an empty function restores the default.
    static void setEndProgramHook(std::function<void()> hook);
};

} // namespace kaldoria::platform
