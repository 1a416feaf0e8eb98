#pragma once

#include <QString>

namespace kaldoria::pack {

// Reports a failed subcommand on standard error ("kaldoria-pack COMMAND: message") and
// gives the exit code for it.
int commandFailed(const char* command, const QString& message);

// Prints the usage of a subcommand on standard output and gives exit code 0.
int commandUsage(const char* usage);

} // namespace kaldoria::pack
