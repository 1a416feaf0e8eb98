#pragma once

#include <QString>
#include <QStringList>

namespace kaldoria::startup {
class tConfigData;
class tDebugFile;
} // namespace kaldoria::startup

namespace kaldoria::app {

// The launcher without a window ("--headless"): after start-up it runs the update cycle,
// optionally the full check ("--check-all"), the proxy choice and optionally the game
// launch ("--start-game"), showing its progress in the terminal.
class HeadlessRun {
public:
    enum ExitCode {
        UpToDate = 0,
        Failed = 1,           // a file could not be updated, or no list could be fetched
        ConfigUnreadable = 2, // start-up found no usable configuration
    };

    static bool requested(const QStringList& arguments);

    // Runs the workflow once and returns the exit code. `debugFile` is the debug log in
    // debug mode, null otherwise. When the launcher replaces its own program file, the new
    // program is run in this process's place with the same arguments.
    static int run(startup::tConfigData& config, startup::tDebugFile* debugFile, const QStringList& arguments,
                   const QString& programPath);
};

} // namespace kaldoria::app
