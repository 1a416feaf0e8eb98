#include "ui/mainwindow/ScreenshotRequest.h"

#include "ui/mainwindow/TFMain.h"
#include "ui/settings/TFSettings.h"

#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace kaldoria::mainwindow {

namespace {

// Time for the last paints to reach the screen before it is grabbed.
constexpr int kSettleMs = 600;
constexpr int kPollMs = 50;

// Saves `area` of the screen, or all of it when `area` is null.
void saveScreen(QScreen* screen, const QRect& area, const QString& path) {
    if (!screen)
        return;
    const QPixmap shot =
        area.isNull() ? screen->grabWindow(0) : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString part = path + QStringLiteral(".part.png");
    if (shot.save(part, "PNG")) {
        QFile::remove(path);
        QFile::rename(part, path);
    }
}

} // namespace

ScreenshotRequest::ScreenshotRequest(TFMain& mainWindow, settings::TFSettings& settingsWindow, QString mainPath,
                                     QString settingsPath)
    : QObject(&mainWindow), m_main(mainWindow), m_settings(settingsWindow), m_mainPath(std::move(mainPath)),
      m_settingsPath(std::move(settingsPath)) {
    connect(&m_main, &TFMain::cycleFinished, this, &ScreenshotRequest::waitForMessage);
}

void ScreenshotRequest::armFrom(TFMain& mainWindow, settings::TFSettings& settingsWindow) {
    const QString mainPath = qEnvironmentVariable("KALDORIA_SCREENSHOT");
    if (!mainPath.isEmpty())
        new ScreenshotRequest(mainWindow, settingsWindow, mainPath,
                              qEnvironmentVariable("KALDORIA_SCREENSHOT_SETTINGS"));
}

void ScreenshotRequest::waitForMessage() {
    if (m_main.MsgPanel()->isOpening())
        QTimer::singleShot(kPollMs, this, &ScreenshotRequest::waitForMessage);
    else
        QTimer::singleShot(kSettleMs, this, &ScreenshotRequest::takeMainShot);
}

void ScreenshotRequest::takeMainShot() {
    saveScreen(m_main.screen(), QRect(), m_mainPath);
    if (m_settingsPath.isEmpty()) {
        m_main.close();
        return;
    }
    // Opened without a modal wait, so that the shot can be taken while it shows.
    m_settings.setMainWindowValues(m_main.settingsValues());
    m_settings.show();
    waitForUnroll();
}

void ScreenshotRequest::waitForUnroll() {
    if (m_settings.FadeIn()->isActive())
        QTimer::singleShot(kPollMs, this, &ScreenshotRequest::waitForUnroll);
    else
        QTimer::singleShot(kSettleMs, this, &ScreenshotRequest::takeSettingsShot);
}

void ScreenshotRequest::takeSettingsShot() {
    saveScreen(m_settings.screen(), m_settings.frameGeometry(), m_settingsPath);
    m_settings.hide();
    m_main.close();
}

} // namespace kaldoria::mainwindow
