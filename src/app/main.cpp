#include "app/CommandLine.h"
#include "app/HeadlessRun.h"
#include "app/Startup.h"
#include "app/WindowedRun.h"
#include "platform/ProgramResources.h"
#include "platform/Utf8Names.h"
#include "skin/SkinReadResult.h"
#include "startup/ProcessValues.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

using kaldoria::app::CommandLine;
using kaldoria::app::Startup;

namespace {

// The window toolkit is started only for a run that opens windows, so that a headless run,
// help and version work without a display.
bool opensWindows(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments);
    return !line.headless && !line.help && !line.version && line.unknownSwitches.isEmpty() && line.badValue.isEmpty();
}

} // namespace

// Program entry: the start-up, then the windows or the headless run.
int main(int argc, char** argv) {
    const bool windowed = opensWindows(argc, argv);
    if (windowed)
        kaldoria::app::WindowedRun::prepareProcess();
    const std::unique_ptr<QCoreApplication> app =
        windowed ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kaldoria"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALDORIA_VERSION));
    // After the application object, which sets the locale from the environment.
    if (!kaldoria::platform::useUtf8Names())
        QTextStream(stderr) << "Kaldoria: no UTF-8 locale; files with names outside ASCII cannot be unpacked\n";
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments().mid(1));
    if (!commandLine.unknownSwitches.isEmpty()) {
        QTextStream(stderr) << "Kaldoria: unknown option " << commandLine.unknownSwitches.first() << "\n\n"
                            << CommandLine::usage();
        return 2;
    }
    if (!commandLine.badValue.isEmpty()) {
        QTextStream(stderr) << "Kaldoria: " << commandLine.badValue << "\n";
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

    const QString programPath = kaldoria::platform::ProgramResources::ownProgramPath();
    Startup startup(commandLine.arguments, QFileInfo(programPath).absolutePath(), commandLine.restarted);
    switch (startup.run()) {
    case Startup::Outcome::AnotherCopyRunning:
        // A window was asked to come forward; a script is told why nothing happened.
        if (windowed)
            return 0;
        QTextStream(stderr) << "Kaldoria: " << startup.refusal() << "\n";
        return kaldoria::app::HeadlessRun::AnotherLauncherRuns;
    case Startup::Outcome::SkinUnreadable:
        QTextStream(stderr) << "Kaldoria: the configuration could not be read: "
                            << kaldoria::skin::skinReadResultText(startup.skinReadResult()) << "\n";
        if (windowed)
            kaldoria::app::WindowedRun::reportMissingConfig();
        return 2;
    case Startup::Outcome::Continue:
        break;
    }
    if (!startup.skinLoaded()) {
        QTextStream(stderr) << "Sorry! Not found the config\n";
        if (windowed)
            kaldoria::app::WindowedRun::reportMissingConfig();
        return 2;
    }
    if (windowed)
        return kaldoria::app::WindowedRun::run(startup, commandLine, programPath);
    return kaldoria::app::HeadlessRun::run(
        startup.configData(), kaldoria::startup::DebugMode ? &startup.debugLog() : nullptr, commandLine, programPath);
}
