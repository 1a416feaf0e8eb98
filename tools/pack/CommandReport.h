#pragma once

#include <QString>

namespace kaldoria::pack {

// Reports a failed subcommand on standard error ("kaldoria-pack COMMAND: message") and
// gives the exit code for it.
int commandFailed(const char* command, const QString& message);

// Reports something the operator should look at on standard error ("kaldoria-pack
// COMMAND: warning: message"); the command goes on and its exit code stays as it is.
void commandWarning(const char* command, const QString& message);

// Prints the usage of a subcommand on standard output and gives exit code 0.
int commandUsage(const char* usage);

} // namespace kaldoria::pack
