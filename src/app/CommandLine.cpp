#include "app/CommandLine.h"

namespace kaldoria::app {

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    line.arguments = arguments;
    const std::pair<QLatin1StringView, bool CommandLine::*> switches[] = {
        {QLatin1StringView("--headless"), &CommandLine::headless},
        {QLatin1StringView("--check-all"), &CommandLine::checkAll},
        {QLatin1StringView("--start-game"), &CommandLine::startGame},
        {QLatin1StringView("--help"), &CommandLine::help},
        {QLatin1StringView("--version"), &CommandLine::version},
    };
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1StringView("--")))
            continue;
        const auto known =
            std::find_if(std::begin(switches), std::end(switches), [&](const auto& s) { return argument == s.first; });
        if (known == std::end(switches))
            line.unknownSwitches.append(argument);
        else
            line.*(known->second) = true;
    }
    return line;
}

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage: Kaldoria [-debug | filemode=FOLDER] [--headless] [--check-all] [--start-game] [--help] [--version]\n"
        "\n"
        "  -debug           (first argument only) write the debug log log.err in the current folder\n"
        "  filemode=FOLDER  (first argument only) take packed update files from FOLDER\n"
        "  --headless       no window: run in the terminal and exit\n"
        "                   (0 up to date, 1 a file failed, 2 the configuration could not be read)\n"
        "  --check-all      with --headless, also check every listed file\n"
        "  --start-game     with --headless, start the game when the client is up to date\n"
        "  --help           show this text\n"
        "  --version        show the version\n");
}

} // namespace kaldoria::app
