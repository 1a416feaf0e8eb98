#include "PackCommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <functional>

using namespace kaldoria::pack;

namespace {

struct Subcommand {
    const char* name;
    const char* usage;
    std::function<int(const QStringList&)> run;
};

const Subcommand kSubcommands[] = {
    {"stream", "stream --skin DIR --config FILE -o STREAM   configuration stream from a skin folder and a text",
     runStream},
    {"package", "package STREAM -o FILE                       configuration package from a stream", runPackage},
    {"attach", "attach PROGRAM -o OUT --resource NAME=FILE...  copy of a program file with resources", runAttach},
    {"list", "list PROGRAM                                 resources of a program file", runList},
    {"publish", "publish CLIENT_DIR -o SERVER_DIR [--required FILE] [--delete FILE]  update server folder", runPublish},
    {"demo-skin", "demo-skin -o DIR                             the demo skin folder", runDemoSkin},
};

void printUsage(FILE* to) {
    QTextStream out(to);
    out << "Usage: kaldoria-pack COMMAND [ARGS]\n\nBuilds what a Kaldoria launcher and its update server need.\n\n"
           "Commands:\n";
    for (const Subcommand& c : kSubcommands)
        out << "  " << c.usage << "\n";
    out << "\nRun 'kaldoria-pack COMMAND --help' for the details of one command.\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        printUsage(stdout);
        return 0;
    }
    for (const Subcommand& c : kSubcommands) {
        if (command == QLatin1String(c.name))
            return c.run(args);
    }
    QTextStream(stderr) << "kaldoria-pack: unknown command '" << command << "'\n";
    printUsage(stderr);
    return 2;
}
