#include "app/HeadlessRun.h"

#include "app/TerminalView.h"

#include "platform/ProgramStarter.h"
#include "ui/mainwindow/workflow/TUpdateWorkflow.h"

namespace kaldoria::app {

bool HeadlessRun::requested(const QStringList& arguments) {
    return arguments.mid(1).contains(QStringLiteral("--headless"));
}

int HeadlessRun::run(startup::tConfigData& config, startup::tDebugFile* debugFile, const QStringList& arguments,
                     const QString& programPath) {
    const QStringList options = arguments.mid(1);
    TerminalView view;
    workflow::TUpdateWorkflow workflow(view, config, debugFile, arguments, programPath);
    workflow.prepare();
    workflow.setRestartHandler([&] {
        // One process for the calling script: the new program runs in this one's place.
        platform::ProgramStarter::execReplace(workflow.state().ownProgramPath, options);
    });
    workflow.RunUpdate();
    if (options.contains(QStringLiteral("--check-all")))
        workflow.Button_CheckAllFilesClick();
    workflow.LoadProxyList();
    if (options.contains(QStringLiteral("--start-game")))
        workflow.Button_StartGameClick();
    workflow.SaveIniFile();
    return workflow.failedFiles() > 0 || workflow.listMissing() ? Failed : UpToDate;
}

} // namespace kaldoria::app
