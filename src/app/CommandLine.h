#pragma once

#include <QStringList>

#include <optional>

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
    // --limit-rate RATE (or --limit-rate=RATE): bytes per second for all downloads of this
    // run, 0 for none, in place of the settings file's limit.
    std::optional<qint64> limitRate;
    QStringList unknownSwitches;
    // Why a switch's value cannot be used; empty when every value could.
    QString badValue;

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace kaldoria::app
