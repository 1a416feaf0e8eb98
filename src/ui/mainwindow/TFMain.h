#pragma once

#include "ui/mainwindow/FailureSummary.h"
#include "ui/mainwindow/MessagePanel.h"
#include "ui/mainwindow/NewsBrowser.h"
#include "ui/mainwindow/ProgressBars.h"
#include "ui/mainwindow/ShownTextTranslator.h"
#include "ui/mainwindow/WindowFadeIn.h"
#include "update/TUpdateWorkflow.h"
#include "update/UpdateView.h"

#include "ui/settings/TFSettings.h"
#include "ui/skinapply/WindowApply.h"

#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kaldoria::startup {
class tConfigData;
class tDebugFile;
} // namespace kaldoria::startup
namespace kaldoria::skin {
class TkucMainWindow;
}

namespace kaldoria::mainwindow {

// The main window's timers (tests make them fast or idle).
struct MainWindowTimings {
    int mainTimer = 1000; // from the window being ready to the start of the update cycle
    int fade = 100;
    // The longest the first showing waits for the news page before the update cycle starts.
    int newsWait = 5000;
    MessagePanelTimings message;
};

struct MainWindowOptions {
    MainWindowTimings timings;
    // The news panel's browser; the build's own by default.
    NewsBrowser::Factory makeNewsBrowser;
};

// The launcher's main window: borderless, shaped and painted by its skin. It runs the
// update workflow (the workflow drives it through UpdateView), opens the settings window
// and takes over its choices, shows the news page and warnings, hides to the tray, moves
// when dragged, and saves the user's settings on every way out.
class TFMain : public QWidget, public update::UpdateView {
    Q_OBJECT
public:
    using Timings = MainWindowTimings;
    using Options = MainWindowOptions;

    // `debugFile` is the debug log in debug mode, null otherwise; `arguments` the
    // command-line arguments with the program first; `programPath` the program file.
    TFMain(startup::tConfigData& config, const skin::TkucMainWindow& skin, startup::tDebugFile* debugFile,
           const QStringList& arguments, const QString& programPath, Options options = {});
    ~TFMain() override;

    // The skinned controls, for applying the skin.
    skin::MainWindowControls controls();
    // The settings window opened by the settings button; created after this window. Its
    // "Ok" is drawn like this window's settings button, a language picked in it relabels
    // this window at once and a game proxy picked in it is probed at once.
    void setSettingsWindow(settings::TFSettings* settingsWindow);
    void setTrayHint(const QString& hint);
    // Fills the language-folder box from the configuration and the saved choice.
    void fillLanguageFolderBox();
    // What the settings window starts from when it opens.
    settings::MainWindowValues settingsValues();
    // Brings the window back to the user (a later start of the launcher asked for it).
    void bringForward();

    update::TUpdateWorkflow& workflow() { return *m_workflow; }
    controls::TImageButton* Button_StartGame() const { return m_buttonStartGame; }
    controls::TImageButton* Button_Close() const { return m_buttonClose; }
    controls::TImageButton* Button_Cancel() const { return m_buttonCancel; }
    controls::TImageButton* Button_Minimize() const { return m_buttonMinimize; }
    controls::TImageButton* Button_Config() const { return m_buttonConfig; }
    controls::TImageButton* Button_CheckAllFiles() const { return m_buttonCheckAllFiles; }
    controls::TElComboBox* Box_LangFolder() const { return m_boxLangFolder; }
    QPushButton* HiddenButton() const { return m_hiddenButton; }
    controls::TRxLabel* Text_Status() const { return m_textStatus; }
    controls::TRxLabel* Text_LangBoxDescription() const { return m_textLangBoxDescription; }
    QLabel* Text_Title() const { return m_textTitle; }
    controls::TRxLabel* Text_StatusTotal() const { return m_textStatusTotal; }
    QLabel* NewsPlaceholder() const { return m_newsPlaceholder; }
    QWidget* WebPanel() const { return m_webPanel; }
    NewsBrowser* WebBrowser1() const { return m_webBrowser; }
    MessagePanel* MsgPanel() const { return m_msgPanel; }
    WindowFadeIn& fade() { return *m_fade; }
    const QString& NewsURL() const { return m_newsUrl; }
    qint32 LangConst() const { return m_langConst; }
    // True once the update cycle has returned.
    bool cycleEnded() const { return m_cycleEnded; }

    // The handlers of the window's own buttons and events.
    void Button_ConfigClick();
    void Button_CloseClick();
    void MinimizeButtonClick();
    void RxTrayIcon1Click();
    void MsgShow(const QString& s) { m_msgPanel->MsgShow(s); }
    // After a run that left files or the list behind: the required check and update again,
    // with a server chosen anew.
    void retryUpdate();

    // UpdateView
    void setStatusText(const QString& text) override;
    void setTotalText(const QString& text) override;
    void setStepProgress(int done, int count) override { m_bars.showStep(done, count); }
    void setFileProgress(qint64 received, qint64 length) override { m_bars.showFile(received, length); }
    void setTotalProgress(qint64 done, qint64 count) override { m_bars.showTotal(done, count); }
    void setStartButtonEnabled(bool enabled) override;
    void setCheckAllVisible(bool visible) override;
    void setCheckAllEnabled(bool enabled) override;
    // Every message of the workflow tells of something that went wrong: it stays until closed.
    void showMessage(const QString& text) override { m_msgPanel->showError(text); }
    void reportFailure(const QString& subject, const QString& reason) override;
    std::optional<QPoint> windowPosition() const override { return pos(); }

Q_SIGNALS:
    // The update cycle has returned (the start button is enabled by then).
    void cycleFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void FormCreate();
    void FormShow();
    void SetLanguage();
    void languagePicked(qint32 langid);
    void proxyPicked(int index);
    // Shows the news page of the current language when it differs from the one shown.
    void showNewsOfLanguage();
    void MainTimerTimer();
    void WebBrowser1NavigateComplete2();
    void WebBrowser1NavigateError();
    void placeBrowser();
    void firstPageLoaded();
    // Calls `f` with the bar or gauge that `control` names.
    template <typename F> void withProgressControl(ProgressControl control, F f) const {
        switch (control) {
        case ProgressControl::OneFileBar:
            f(m_progressOneFile);
            break;
        case ProgressControl::TotalBar:
            f(m_progressTotal);
            break;
        case ProgressControl::OneFileGauge:
            f(m_gaugeOneFile);
            break;
        case ProgressControl::TotalGauge:
            f(m_gaugeTotal);
            break;
        }
    }
    void setProgressMaximum(ProgressControl control, int maximum);
    void setProgressPosition(ProgressControl control, int position);
    int progressWidth(ProgressControl control) const;
    void Box_LangFolderChange(int index);
    void takeFocusFromBox();
    void Button_StartGameClick();
    void Button_CheckAllFilesClick();
    // Runs one piece of update work (the cycle, the full check, a retry) and then tells the
    // player what it could not do.
    void runUpdateWork(const std::function<void()>& work);
    void showFailures();
    void styleMessagePanel();
    // The check-all button is usable only when no check or update runs and the workflow
    // has offered it.
    void showCheckAllButton();
    // Ends the message loop when the workflow asked the application to terminate.
    void quitIfRequested();

    startup::tConfigData& m_config;
    const skin::TkucMainWindow& m_skin;
    Options m_options;

    QLabel* m_backGroundImage = nullptr;
    controls::TImageButton* m_buttonStartGame = nullptr;
    controls::TImageButton* m_buttonCancel = nullptr;
    controls::TImageButton* m_buttonCheckAllFiles = nullptr;
    controls::TImageButton* m_buttonClose = nullptr;
    controls::TImageButton* m_buttonMinimize = nullptr;
    controls::TImageButton* m_buttonConfig = nullptr;
    controls::TXiProgressBar* m_progressOneFile = nullptr;
    controls::TXiProgressBar* m_progressTotal = nullptr;
    QLabel* m_textTitle = nullptr;
    controls::TRxLabel* m_textStatus = nullptr;
    controls::TRxLabel* m_textStatusTotal = nullptr;
    QWidget* m_webPanel = nullptr;
    QLabel* m_newsPlaceholder = nullptr;
    NewsBrowser* m_webBrowser = nullptr;
    controls::TXiGauge* m_gaugeOneFile = nullptr;
    controls::TXiGauge* m_gaugeTotal = nullptr;
    controls::TElComboBox* m_boxLangFolder = nullptr;
    controls::TRxLabel* m_textLangBoxDescription = nullptr;
    QPushButton* m_hiddenButton = nullptr;
    MessagePanel* m_msgPanel = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    WindowFadeIn* m_fade = nullptr;
    QTimer m_mainTimer;
    QTimer m_newsWait;
    QPointer<settings::TFSettings> m_settings;

    ProgressBars m_bars{{
        .setMaximum = [this](ProgressControl control, int maximum) { setProgressMaximum(control, maximum); },
        .setPosition = [this](ProgressControl control, int position) { setProgressPosition(control, position); },
        .width = [this](ProgressControl control) { return progressWidth(control); },
    }};
    std::unique_ptr<update::TUpdateWorkflow> m_workflow;
    qint32 m_langConst = 0;
    ShownTextTranslator m_shownTexts;
    // The newest proxy picked while a probe ran, and the last one probed in this round of
    // the settings window.
    std::optional<int> m_proxyPick;
    std::optional<int> m_probedProxy;
    bool m_probingPick = false;
    QString m_newsUrl;
    bool m_oneshot = false;
    bool m_waitingForFirstPage = false;
    bool m_cycleStarted = false;
    bool m_cycleEnded = false;
    // Update work under way (the full check may run inside the cycle's last step).
    int m_runningWork = 0;
    FailureSummary m_failures;
    bool m_checkAllOffered = false;
    bool m_closing = false;
    bool m_draging = false;
    QPoint m_dragStart; // X0, Y0
};

} // namespace kaldoria::mainwindow
