#include "app/HeadlessRun.h"

#include "app/CommandLine.h"
#include "app/TerminalView.h"

#include "platform/ProgramStarter.h"
#include "update/TUpdateWorkflow.h"

namespace kaldoria::app {

int HeadlessRun::run(startup::tConfigData& config, startup::tDebugFile* debugFile, const CommandLine& commandLine,
                     const QString& programPath) {
    TerminalView view;
    update::TUpdateWorkflow workflow(view, config, debugFile, QStringList{programPath} + commandLine.arguments,
                                     programPath);
    workflow.setRateLimitOverride(commandLine.limitRate);
    workflow.prepare();
    workflow.setRestartHandler([&] {
        // One process for the calling script: the new program runs in this one's place. The
        // folder's lock is let go on the way (close-on-exec), so the new one waits for it.
        QStringList arguments = commandLine.arguments;
        if (!commandLine.restarted)
            arguments << update::kRestartedSwitch;
        platform::ProgramStarter::execReplace(workflow.state().ownProgramPath, arguments);
    });
    workflow.RunUpdate();
    if (commandLine.checkAll)
        workflow.Button_CheckAllFilesClick();
    workflow.LoadProxyList();
    const int exitCode = workflow.failedFiles() > 0 || workflow.listMissing() ? Failed : UpToDate;
    if (commandLine.startGame && exitCode == UpToDate)
        workflow.Button_StartGameClick();
    workflow.SaveIniFile();
    return exitCode;
}

} // namespace kaldoria::app
