#include "app/WindowedRun.h"

#include "app/CommandLine.h"
#include "app/Startup.h"

#include "startup/ProcessValues.h"
#include "ui/mainwindow/NewsBrowser.h"
#include "ui/mainwindow/ScreenshotRequest.h"
#include "ui/mainwindow/TFMain.h"
#include "ui/settings/TFSettings.h"
#include "ui/skinapply/WindowApply.h"

#include <QApplication>
#include <QMessageBox>

namespace kaldoria::app {

void WindowedRun::prepareProcess() {
    mainwindow::NewsBrowser::prepareProcess();
}

void WindowedRun::reportMissingConfig() {
    QMessageBox::critical(nullptr, QString(), QStringLiteral("Sorry! Not found the config"));
}

int WindowedRun::run(Startup& startup, const CommandLine& commandLine, const QString& programPath) {
    startup::tConfigData& config = startup.configData();
    skin::TkucConfig& skinConfig = startup.skinConfig();

    mainwindow::TFMain mainWindow(config, skinConfig.MainWindow, startup::DebugMode ? &startup.debugLog() : nullptr,
                                  QStringList{programPath} + commandLine.arguments, programPath);
    mainWindow.workflow().setRateLimitOverride(commandLine.limitRate);
    skin::SetDataToForm(skinConfig.MainWindow, mainWindow.controls());
    mainWindow.setWindowTitle(startup::InstanceName);
    if (!config.Config.TrayHint.isEmpty())
        mainWindow.setTrayHint(config.Config.TrayHint);

    settings::TFSettings settingsWindow(config, skinConfig.ConfigWindow, &mainWindow);
    skin::SetDataToForm(skinConfig.ConfigWindow, settingsWindow.controls());
    mainWindow.setSettingsWindow(&settingsWindow);

    mainWindow.fillLanguageFolderBox();
    if (platform::SingleInstance* instance = startup.singleInstance())
        QObject::connect(instance, &platform::SingleInstance::raiseRequested, &mainWindow,
                         &mainwindow::TFMain::bringForward);
    mainwindow::ScreenshotRequest::armFrom(mainWindow, settingsWindow);

    mainWindow.show();
    return QApplication::exec();
}

} // namespace kaldoria::app
