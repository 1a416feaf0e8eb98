#pragma once

#include <QObject>
#include <QString>

namespace kaldoria::settings {
class TFSettings;
}

namespace kaldoria::mainwindow {

class TFMain;

// Screenshots for checks and documentation, taken by the program itself when asked through
// the environment: KALDORIA_SCREENSHOT names a PNG file that receives the whole screen once
// the update cycle has ended and a message it left has unrolled; KALDORIA_SCREENSHOT_SETTINGS one that then receives
// the settings window, opened over the main window. Each file appears complete (written under another name and
// renamed). Then the window closes as its close button closes it.
class ScreenshotRequest : public QObject {
    Q_OBJECT
public:
    // Does nothing unless KALDORIA_SCREENSHOT is set.
    static void armFrom(TFMain& mainWindow, settings::TFSettings& settingsWindow);

private:
    ScreenshotRequest(TFMain& mainWindow, settings::TFSettings& settingsWindow, QString mainPath, QString settingsPath);

    // Waits until the message panel, when the cycle left a message, has fully opened.
    void waitForMessage();
    void takeMainShot();
    // Waits until the settings window has unrolled to its full width.
    void waitForUnroll();
    void takeSettingsShot();

    TFMain& m_main;
    settings::TFSettings& m_settings;
    QString m_mainPath;
    QString m_settingsPath;
};

} // namespace kaldoria::mainwindow
