#include "app/CommandLine.h"
#include "app/HeadlessRun.h"
#include "app/Startup.h"
#include "platform/ProgramResources.h"
#include "skin/SkinReadResult.h"
#include "startup/ProcessValues.h"

#include <QCoreApplication>
#include <QTextStream>

using kaldoria::app::CommandLine;
using kaldoria::app::Startup;

// Program entry. Until the windows exist, every run is a headless run of the start-up.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kaldoria"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALDORIA_VERSION));
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!commandLine.unknownSwitches.isEmpty()) {
        QTextStream(stderr) << "Kaldoria: unknown option " << commandLine.unknownSwitches.first() << "\n\n"
                            << CommandLine::usage();
        return 2;
    }
    if (commandLine.help) {
        QTextStream(stdout) << CommandLine::usage();
        return 0;
    }
    if (commandLine.version) {
        QTextStream(stdout) << "Kaldoria " << KALDORIA_VERSION << "\n";
        return 0;
    }

    Startup startup(commandLine.arguments);
    switch (startup.run()) {
    case Startup::Outcome::AnotherCopyRunning:
        return 0;
    case Startup::Outcome::SkinUnreadable:
        QTextStream(stderr) << "Kaldoria: the configuration could not be read: "
                            << kaldoria::skin::skinReadResultText(startup.skinReadResult()) << "\n";
        return 2;
    case Startup::Outcome::Continue:
        break;
    }
    if (!startup.skinLoaded()) {
        QTextStream(stderr) << "Sorry! Not found the config\n";
        return 2;
    }
    if (commandLine.headless)
        return kaldoria::app::HeadlessRun::run(startup.configData(),
                                               kaldoria::startup::DebugMode ? &startup.debugLog() : nullptr,
                                               commandLine, kaldoria::platform::ProgramResources::ownProgramPath());
    return 0;
}
