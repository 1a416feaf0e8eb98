#pragma once

namespace kaldoria::platform {

// The application's request to terminate, one flag for the whole process. The close action
// sets it while update work waits beneath it; every waiting loop looks at it and ends the
// program when it is set.
void requestTerminate();
bool terminateRequested();

// Ends the program at once when termination was requested; returns otherwise.
void endProgramIfTerminateRequested();

} // namespace kaldoria::platform
