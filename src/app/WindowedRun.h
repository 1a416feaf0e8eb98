#pragma once

#include <QString>

namespace kaldoria::app {

class Startup;
struct CommandLine;

// The launcher as a player uses it: after start-up it creates the main window and the
// settings window, applies their skins, fills the language-folder box and runs the message
// loop until the main window ends the program.
class WindowedRun {
public:
    // Returns the program's exit code. Needs the window toolkit's application object and a
    // loaded skin.
    static int run(Startup& startup, const CommandLine& commandLine, const QString& programPath);

    // The one fatal message: no usable skin in the configuration.
    static void reportMissingConfig();

    // What the window toolkit needs before the application object is created.
    static void prepareProcess();
};

} // namespace kaldoria::app
