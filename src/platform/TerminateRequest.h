#pragma once

#include "platform/CancelToken.h"

#include <functional>

namespace kaldoria::platform {

// The application's terminate request: the process's cancel token, which the close action
// cancels while update work may be waiting. The update workflow hands the token down; lower
// code gives its work up and returns when it is cancelled, and the workflow then ends the
// program through endProgram(), from one place.
//
// Ending the program means: standard streams are flushed and the process ends with exit
// code 0 without running destructors or exit handlers (std::_Exit), because worker threads
// may still be reading files or sockets and must not see global objects torn down under
// them. Everything the user must keep (settings) is saved before termination is requested.
// Tests install a hook that records the call and returns; callers then treat their work as
// cancelled and return without further work.
class TerminateRequest {
public:
    // The process's token; copies see a later request.
    static CancelToken token();

    // Cancels the token, which also wakes the user-interface thread's event dispatcher.
    // Safe from any thread.
    static void request();
    static bool isRequested();

    // A fresh, uncancelled token for what follows (a new run in the same process, or the
    // next test); copies of the old one stay as they were.
    static void reset();

    // Ends the program as described above, or calls the installed hook instead.
    static void endProgram();

    // Replaces what endProgram() does; an empty function restores the default.
    static void setEndProgramHook(std::function<void()> hook);
};

} // namespace kaldoria::platform
