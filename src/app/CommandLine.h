#pragma once

#include <QStringList>

namespace kaldoria::app {

// The program's command line. The first argument keeps its own meaning ("-debug" or
// "filemode=FOLDER", read by the start-up and the main window); the "--" switches may
// stand anywhere.
struct CommandLine {
    QStringList arguments; // every argument after the program name, as given
    bool headless = false;
    bool checkAll = false;
    bool startGame = false;
    bool help = false;
    bool version = false;
    bool restarted = false; // started by its predecessor's self-update: wait for its lock
    QStringList unknownSwitches;

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace kaldoria::app
