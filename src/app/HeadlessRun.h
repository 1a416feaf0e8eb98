#pragma once

#include <QString>

namespace kaldoria::startup {
class tConfigData;
class tDebugFile;
} // namespace kaldoria::startup

namespace kaldoria::app {

struct CommandLine;

// The launcher without a window ("--headless"): after start-up it runs the update cycle,
// optionally the full check ("--check-all"), the proxy choice, and, when the client is up to
// date, optionally the game launch ("--start-game"), showing its progress in the terminal.
class HeadlessRun {
public:
    enum ExitCode {
        UpToDate = 0,
        Failed = 1,              // a file could not be updated, or no list could be fetched
        AnotherLauncherRuns = 3, // for this client folder or instance name
    };

    // Runs the workflow once and returns the exit code. `debugFile` is the debug log in
    // debug mode, null otherwise. When the launcher replaces its own program file, the new
    // program runs in this process's place with the same arguments.
    static int run(startup::tConfigData& config, startup::tDebugFile* debugFile, const CommandLine& commandLine,
                   const QString& programPath);
};

} // namespace kaldoria::app
