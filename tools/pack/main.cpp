#include "PackCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <memory>

using namespace kaldoria::pack;

namespace {

struct Subcommand {
    const char* name;
    const char* usage;
    std::function<int(const QStringList&)> run;
};

const Subcommand kSubcommands[] = {
    {"stream", "stream --skin DIR --config FILE -o STREAM      configuration stream from a skin folder and a text",
     runStream},
    {"package", "package STREAM -o FILE                         configuration package from a stream", runPackage},
    {"attach", "attach PROGRAM -o OUT --resource NAME=FILE...  copy of a program file with resources", runAttach},
    {"list", "list PROGRAM                                   resources of a program file", runList},
    {"publish", "publish CLIENT_DIR -o SERVER_DIR [OPTIONS]     update server folder from a client folder", runPublish},
    {"keygen", "keygen -o NAME                                  a key pair for signing: NAME.key, NAME.pub", runKeygen},
    {"verify", "verify SERVER_DIR --key NAME.pub...             check a signed update server folder", runVerify},
    {"demo-skin", "demo-skin -o DIR                               the demo skin folder", runDemoSkin},
};

void printUsage(FILE* to) {
    QTextStream out(to);
    out << "Usage: kaldoria-pack COMMAND [ARGS]\n\nBuilds what a Kaldoria launcher and its update server need.\n\n"
           "Commands:\n";
    for (const Subcommand& c : kSubcommands)
        out << "  " << c.usage << "\n";
    out << "\nA launcher for your server, step by step:\n"
           "  kaldoria-pack publish client/ -o /var/www/client        the update server folder\n"
           "  kaldoria-pack demo-skin -o skin                         a skin folder to start from\n"
           "  kaldoria-pack stream --skin skin --config config.txt -o config.stream\n"
           "  kaldoria-pack package config.stream -o config.pack\n"
           "  kaldoria-pack attach Kaldoria -o MyLauncher --resource blank=config.pack\n"
           "config.txt names the server folder's address in its [updateservers] section; the README\n"
           "and docs/config-example.txt describe every section and key.\n"
           "\nRun 'kaldoria-pack COMMAND --help' for the details of one command.\n";
}

// Drawing text needs a GUI application; it runs on the offscreen platform unless told otherwise.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    if (argc < 2 || qstrcmp(argv[1], "demo-skin") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
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
