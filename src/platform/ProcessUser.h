#pragma once

namespace kaldoria::platform {

// True when the process runs with the system administrator's rights (root), where some
// components (the embedded browser's sandbox) refuse to start unless told otherwise.
bool runsAsAdministrator();

} // namespace kaldoria::platform
