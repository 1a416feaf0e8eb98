#include "app/CommandLine.h"

#include "download/ByteRate.h"

namespace kaldoria::app {

namespace {

void readLimitRate(CommandLine& line, const QString& value) {
    line.limitRate = download::parseByteRate(value);
    if (!line.limitRate)
        line.badValue = QStringLiteral("--limit-rate: \"%1\" is not a rate; give bytes per second, optionally "
                                       "with k, M or G (1024-based), or 0 for no limit")
                            .arg(value);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    line.arguments = arguments;
    const std::pair<QLatin1StringView, bool CommandLine::*> switches[] = {
        {QLatin1StringView("--headless"), &CommandLine::headless},
        {QLatin1StringView("--check-all"), &CommandLine::checkAll},
        {QLatin1StringView("--start-game"), &CommandLine::startGame},
        {QLatin1StringView("--help"), &CommandLine::help},
        {QLatin1StringView("--version"), &CommandLine::version},
        {QLatin1StringView("--restarted"), &CommandLine::restarted},
    };
    const QLatin1StringView limitRate("--limit-rate");
    const QLatin1StringView limitRateIs("--limit-rate=");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1StringView("--")))
            continue;
        if (argument.startsWith(limitRateIs)) {
            readLimitRate(line, argument.mid(limitRateIs.size()));
            continue;
        }
        if (argument == limitRate) {
            if (i + 1 < arguments.size())
                readLimitRate(line, arguments.at(++i));
            else
                line.badValue = QStringLiteral("--limit-rate needs a rate");
            continue;
        }
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
        "Usage: Kaldoria [-debug | filemode=FOLDER] [--headless] [--check-all] [--start-game]\n"
        "                [--limit-rate RATE] [--restarted] [--help] [--version]\n"
        "\n"
        "Keeps the game client in this program's folder up to date from the update servers\n"
        "named in its configuration, then starts the game (kd.exe). Without --headless it\n"
        "opens its window.\n"
        "\n"
        "  -debug           (first argument only) write the debug log log.err and config.pack\n"
        "                   in the current folder\n"
        "  filemode=FOLDER  (first argument only) take the packed update files (.kdz) from\n"
        "                   FOLDER, a copy of an update server folder, instead of downloading\n"
        "  --headless       no window: update in the terminal, then exit with\n"
        "                   0 up to date, 1 a file failed or no file list, 2 no usable configuration,\n"
        "                   3 another launcher runs for this client folder or instance name\n"
        "  --check-all      with --headless, also check every listed file and repair what differs\n"
        "  --start-game     with --headless, start the game when the client is up to date\n"
        "  --limit-rate RATE\n"
        "                   download at most RATE bytes per second, all connections together,\n"
        "                   in place of the settings window's limit for this run; k, M and G\n"
        "                   multiply by 1024 (\"500k\", \"5M\", \"1.5M\"); 0 for no limit\n"
        "  --restarted      started by a self-update (which passes it): wait up to 10 s for the\n"
        "                   launcher that started this one to end, and do not replace the\n"
        "                   program file again\n"
        "  --help           show this text\n"
        "  --version        show the version\n"
        "\n"
        "Settings and the record of installed files are kept in updater/ beside the program\n"
        "(Kaldoria.ini, OldList.lst). HTTPS servers are verified against the system's\n"
        "certificates, or against the file named by SSL_CERT_FILE or CURL_CA_BUNDLE.\n");
}

} // namespace kaldoria::app
