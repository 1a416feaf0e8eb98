#pragma once

#include <QString>

namespace kaldoria::startup {

// Set from the first command-line argument "-debug": the debug log is written.
extern bool DebugMode;

// The window caption and single-instance key: "AutoUpdater" unless the configuration
// names an instance.
extern QString InstanceName;

} // namespace kaldoria::startup
