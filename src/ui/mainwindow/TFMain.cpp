#include "ui/mainwindow/TFMain.h"

#include "platform/TerminateRequest.h"
#include "skin/TkucMainWindow.h"
#include "startup/InterfaceTexts.h"
#include "startup/LanguageFolderChoice.h"
#include "startup/tConfigData.h"
#include "ui/skinapply/ElementApply.h"
#include "ui/skinapply/WindowOutline.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

namespace kaldoria::mainwindow {

namespace {

// The window design before the skin moves its controls.
constexpr QSize kDesignSize{800, 560};
constexpr QRect kWebPanel{8, 120, 782, 424};
// The browser sits higher and larger than its panel, which shows only its inner part.
constexpr QPoint kBrowserOffset{0, -19};
constexpr int kBrowserGrowth = 32;
constexpr int kMessageTop = 60;
constexpr int kPlaceholderDrop = 22;
// Wide enough for a failure's count and a few file names; narrower windows keep a margin.
constexpr int kMessageWidth = 420;
constexpr int kMessageMargin = 20;

} // namespace

TFMain::TFMain(startup::tConfigData& config, const skin::TkucMainWindow& skin, startup::tDebugFile* debugFile,
               const QStringList& arguments, const QString& programPath, Options options)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_config(config), m_skin(skin),
      m_options(std::move(options)) {
    if (!m_options.makeNewsBrowser)
        m_options.makeNewsBrowser = &NewsBrowser::create;
    createControls();
    m_workflow = std::make_unique<update::TUpdateWorkflow>(*this, config, debugFile, arguments, programPath);
    FormCreate();
}

TFMain::~TFMain() = default;

void TFMain::createControls() {
    resize(kDesignSize);
    m_backGroundImage = new QLabel(this);
    m_backGroundImage->hide();
    m_webPanel = new QWidget(this);
    m_webPanel->setGeometry(kWebPanel);
    m_webPanel->hide();
    // Under the browser: seen while no page is shown.
    m_newsPlaceholder = new QLabel(m_webPanel);
    m_newsPlaceholder->setAlignment(Qt::AlignCenter);
    // Below the middle, where a skin may draw an emblem.
    m_newsPlaceholder->setContentsMargins(0, 2 * kPlaceholderDrop, 0, 0);
    QPalette muted = m_newsPlaceholder->palette();
    muted.setColor(QPalette::WindowText, QColor(168, 176, 204, 150));
    m_newsPlaceholder->setPalette(muted);
    m_webBrowser = m_options.makeNewsBrowser(m_webPanel);
    placeBrowser();
    m_textTitle = new QLabel(this);
    m_textStatus = new controls::TRxLabel(this);
    m_textStatusTotal = new controls::TRxLabel(this);
    m_textLangBoxDescription = new controls::TRxLabel(this);
    m_progressOneFile = new controls::TXiProgressBar(this);
    m_progressTotal = new controls::TXiProgressBar(this);
    m_gaugeOneFile = new controls::TXiGauge(this);
    m_gaugeTotal = new controls::TXiGauge(this);
    m_boxLangFolder = new controls::TElComboBox(this);
    m_buttonStartGame = new controls::TImageButton(this);
    m_buttonStartGame->setEnabled(false);
    m_buttonStartGame->setCursor(Qt::ForbiddenCursor);
    m_buttonCancel = new controls::TImageButton(this);
    m_buttonCheckAllFiles = new controls::TImageButton(this);
    m_buttonClose = new controls::TImageButton(this);
    m_buttonMinimize = new controls::TImageButton(this);
    m_buttonConfig = new controls::TImageButton(this);
    m_hiddenButton = new QPushButton(this);
    m_hiddenButton->setGeometry(0, 0, 0, 0);
    m_msgPanel = new MessagePanel(this, m_options.timings.message);
    m_fade = new WindowFadeIn(*this, m_options.timings.fade);
    m_tray = new QSystemTrayIcon(this);
    m_mainTimer.setSingleShot(true);
    m_mainTimer.setInterval(m_options.timings.mainTimer);
    m_newsWait.setSingleShot(true);
    m_newsWait.setInterval(m_options.timings.newsWait);

    connect(&m_mainTimer, &QTimer::timeout, this, &TFMain::MainTimerTimer);
    connect(&m_newsWait, &QTimer::timeout, this, &TFMain::firstPageLoaded);
    connect(m_buttonStartGame, &controls::TImageButton::OnClick, this, &TFMain::Button_StartGameClick);
    connect(m_buttonCheckAllFiles, &controls::TImageButton::OnClick, this, &TFMain::Button_CheckAllFilesClick);
    connect(m_buttonConfig, &controls::TImageButton::OnClick, this, &TFMain::Button_ConfigClick);
    connect(m_buttonClose, &controls::TImageButton::OnClick, this, &TFMain::Button_CloseClick);
    connect(m_buttonCancel, &controls::TImageButton::OnClick, this, &TFMain::Button_CloseClick);
    connect(m_buttonMinimize, &controls::TImageButton::OnClick, this, &TFMain::MinimizeButtonClick);
    connect(m_msgPanel, &MessagePanel::actionClicked, this, &TFMain::retryUpdate);
    connect(m_tray, &QSystemTrayIcon::activated, this, &TFMain::RxTrayIcon1Click);
    connect(m_boxLangFolder, &QComboBox::activated, this, &TFMain::Box_LangFolderChange);
    m_boxLangFolder->installEventFilter(this);
    m_boxLangFolder->view()->window()->installEventFilter(this);
    // The first page load, finished or failed, lets the update cycle start. The window's
    // own reactions to page loads are attached separately, since they are detached later.
    connect(m_webBrowser, &NewsBrowser::navigateComplete, this, &TFMain::firstPageLoaded);
    connect(m_webBrowser, &NewsBrowser::navigateError, this, &TFMain::firstPageLoaded);
    connect(m_webBrowser, &NewsBrowser::navigateComplete, this, &TFMain::WebBrowser1NavigateComplete2);
    connect(m_webBrowser, &NewsBrowser::navigateError, this, &TFMain::WebBrowser1NavigateError);
}

skin::MainWindowControls TFMain::controls() {
    skin::MainWindowControls c;
    c.BackGroundImage = m_backGroundImage;
    c.Button_StartGame = m_buttonStartGame;
    c.Button_Cancel = m_buttonCancel;
    c.Button_CheckAllFiles = m_buttonCheckAllFiles;
    c.Button_Close = m_buttonClose;
    c.Button_Minimize = m_buttonMinimize;
    c.Button_Config = m_buttonConfig;
    c.ProgressBar_OneFile = m_progressOneFile;
    c.ProgressBar_Total = m_progressTotal;
    c.Text_Title = m_textTitle;
    c.Text_Status = m_textStatus;
    c.Text_StatusTotal = m_textStatusTotal;
    c.WebPanel = m_webPanel;
    c.Gauge_OneFile = m_gaugeOneFile;
    c.Gauge_Total = m_gaugeTotal;
    c.Box_LangFolder = m_boxLangFolder;
    c.Text_LangBoxDescription = m_textLangBoxDescription;
    return c;
}

void TFMain::FormCreate() {
    const QImage& background = m_skin.BackGroundImage.image;
    resize(background.size());
    m_workflow->prepare();
    m_langConst = m_config.LangNum;
    SetLanguage();
    if (!m_config.MainWindow.Caption.isEmpty())
        m_textTitle->setText(m_config.MainWindow.Caption);
    if (m_config.MainWindow.FadeEffect)
        m_fade->makeTransparent();
    m_textLangBoxDescription->setText(startup::interfaceText(startup::TextEntry::LanguageFolderLabel));

    m_backGroundImage->setPixmap(QPixmap::fromImage(background));
    QPalette brush = palette();
    brush.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(background)));
    setPalette(brush);
    setAutoFillBackground(true);
    skin::applyRegionOutline(*this, m_skin.BackGroundImage);
    resize(background.size());

    skin::SaveToForm(m_skin.WebPanel, *m_webPanel);
    placeBrowser();
    m_msgPanel->setPanelWidth(std::min(kMessageWidth, width() - 2 * kMessageMargin));
    m_msgPanel->move((width() - m_msgPanel->width()) / 2, kMessageTop);
    m_tray->setIcon(QIcon(QPixmap::fromImage(background.scaled(64, 64, Qt::KeepAspectRatio))));
    m_tray->setToolTip(QStringLiteral("Kaldoria"));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();
}

void TFMain::SetLanguage() {
    m_buttonStartGame->setToolTip(startup::interfaceText(startup::TextEntry::StartGameHint));
    m_buttonCheckAllFiles->setToolTip(startup::interfaceText(startup::TextEntry::CheckAllHint));
    m_newsPlaceholder->setText(startup::interfaceTextOrDefault(startup::TextEntry::NewsPlaceholder));
    m_shownTexts.remember();
}

void TFMain::setSettingsWindow(settings::TFSettings* settingsWindow) {
    m_settings = settingsWindow;
    m_settings->dressOkButton(m_skin.Button_Config);
    connect(m_settings, &settings::TFSettings::languageChanged, this, &TFMain::languagePicked);
    connect(m_settings, &settings::TFSettings::proxyPicked, this, &TFMain::proxyPicked);
}

// The interface texts are already in the new language: every text of this window follows.
void TFMain::languagePicked(qint32 langid) {
    m_langConst = langid;
    m_textStatus->setText(m_shownTexts.translate(m_textStatus->text()));
    m_textStatusTotal->setText(m_shownTexts.translate(m_textStatusTotal->text()));
    SetLanguage();
    m_textLangBoxDescription->setText(startup::interfaceText(startup::TextEntry::LanguageFolderLabel));
    showNewsOfLanguage();
}

// Probes a picked proxy at once; the probe keeps the windows live. A proxy picked while a
// probe runs is probed when it returns, so the newest pick is the one kept.
void TFMain::proxyPicked(int index) {
    m_proxyPick = index;
    if (m_probingPick)
        return;
    m_probingPick = true;
    while (m_proxyPick && m_settings && !m_closing && !platform::TerminateRequest::isRequested()) {
        const int pick = *std::exchange(m_proxyPick, std::nullopt);
        m_probedProxy = pick;
        m_workflow->chooseProxy(pick, pick == 0 ? QStringLiteral("Auto") : m_settings->Box_Proxy()->itemText(pick));
    }
    m_probingPick = false;
}

void TFMain::placeBrowser() {
    m_newsPlaceholder->setGeometry(m_webPanel->rect());
    m_webBrowser->setGeometry(QRect(kBrowserOffset, m_webPanel->size() + QSize(kBrowserGrowth, kBrowserGrowth)));
}

void TFMain::setTrayHint(const QString& hint) {
    m_tray->setToolTip(hint);
}

void TFMain::fillLanguageFolderBox() {
    update::UserSettings& s = m_workflow->settings();
    const startup::LanguageFolderChoice choice =
        startup::LanguageFolderChoice::choose(m_config.Config.LangFolder, s.langFolder);
    m_config.Config.LangFolder = choice.configLangFolder;
    m_boxLangFolder->clear();
    m_boxLangFolder->addItems(choice.items);
    m_boxLangFolder->setCurrentIndex(static_cast<int>(choice.selected));
    if (!choice.enabled)
        m_boxLangFolder->setEnabled(false);
    s.langFolder = choice.langFolder;
}

void TFMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_oneshot) {
        m_oneshot = true;
        FormShow();
    }
}

void TFMain::FormShow() {
    styleMessagePanel();
    // The fade keeps its own clock from the first showing on, whatever the cycle does.
    if (m_config.MainWindow.FadeEffect)
        m_fade->start();
    showCheckAllButton();
    const update::UserSettings& s = m_workflow->settings();
    if (s.mainLeft != -1 && s.mainTop != -1) {
        move(s.mainLeft, s.mainTop);
    } else if (const QScreen* display = screen()) {
        const QRect area = display->geometry();
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }
    m_newsUrl = startup::interfaceText(startup::TextEntry::NewsPage);
    m_webBrowser->setNewsUrl(m_newsUrl);
    m_webBrowser->hide();
    if (m_newsUrl.isEmpty()) {
        m_mainTimer.start();
        return;
    }
    // A news server that does not answer holds the update only for a while.
    m_waitingForFirstPage = true;
    m_newsWait.start();
    m_webBrowser->navigate(m_newsUrl);
}

void TFMain::firstPageLoaded() {
    if (!m_waitingForFirstPage)
        return;
    m_waitingForFirstPage = false;
    m_newsWait.stop();
    m_mainTimer.start();
}

void TFMain::WebBrowser1NavigateComplete2() {
    m_webBrowser->show();
    m_webPanel->show();
    skin::SaveToForm(m_skin.WebPanel, *m_webPanel);
    placeBrowser();
    repaint();
}

void TFMain::WebBrowser1NavigateError() {
    m_webBrowser->show();
    m_webPanel->hide();
    repaint();
}

void TFMain::MainTimerTimer() {
    if (m_cycleStarted)
        return;
    m_cycleStarted = true;
    runUpdateWork([this] { m_workflow->MainTimerTimer(); });
    m_cycleEnded = true;
    showCheckAllButton();
    quitIfRequested();
    Q_EMIT cycleFinished();
}

void TFMain::Button_ConfigClick() {
    if (!m_settings || m_closing)
        return;
    m_probedProxy.reset();
    m_settings->setMainWindowValues(settingsValues());
    m_settings->exec();
    if (!m_settings || m_closing)
        return;
    update::UserSettings& s = m_workflow->settings();
    m_langConst = m_settings->langConst();
    if (m_settings->Check_Autoclose()->isEnabled())
        s.autoClose = m_settings->Check_Autoclose()->isChecked();
    if (m_settings->Box_Proxy()->isEnabled()) {
        // A proxy picked in the window was probed then; one left as it was is probed now.
        const int index = m_settings->Box_Proxy()->currentIndex();
        if (m_probedProxy != index)
            m_workflow->chooseProxy(index,
                                    index == 0 ? QStringLiteral("Auto") : m_settings->Box_Proxy()->currentText());
        if (platform::TerminateRequest::isRequested())
            return;
    } else {
        s.selProxy = QStringLiteral("Auto");
    }
    s.limitRate = m_settings->limitRate();
    if (m_settings->Box_DriveType()->isEnabled())
        s.driveType = m_settings->Box_DriveType()->currentIndex() == 1 ? QStringLiteral("SSD") : QStringLiteral("HDD");
    if (m_settings->Box_CheckType()->isEnabled()) {
        switch (m_settings->Box_CheckType()->currentIndex()) {
        case 0:
            s.checkMode = QStringLiteral("Hard: MD5 Hash");
            break;
        case 1:
            s.checkMode = QStringLiteral("Medium: Size & Date");
            break;
        case 2:
            s.checkMode = QStringLiteral("Light: Previous List");
            break;
        default:
            break;
        }
    }
    m_textLangBoxDescription->setText(startup::interfaceText(startup::TextEntry::LanguageFolderLabel));
    showNewsOfLanguage();
}

void TFMain::showNewsOfLanguage() {
    // From now on page loads no longer move or hide the news panel; the link check stays,
    // so the panel keeps showing only the news page.
    disconnect(m_webBrowser, &NewsBrowser::navigateComplete, this, &TFMain::WebBrowser1NavigateComplete2);
    disconnect(m_webBrowser, &NewsBrowser::navigateError, this, &TFMain::WebBrowser1NavigateError);
    if (m_newsUrl != startup::interfaceText(startup::TextEntry::NewsPage)) {
        m_newsUrl = startup::interfaceText(startup::TextEntry::NewsPage);
        m_webBrowser->setNewsUrl(m_newsUrl);
        if (!m_newsUrl.isEmpty())
            m_webBrowser->navigate(m_newsUrl);
    }
}

settings::MainWindowValues TFMain::settingsValues() {
    const update::UserSettings& s = m_workflow->settings();
    return {geometry(), m_langConst, s.autoClose, s.selProxy, s.driveType, s.checkMode, s.limitRate};
}

void TFMain::Button_StartGameClick() {
    m_workflow->Button_StartGameClick();
    quitIfRequested();
}

void TFMain::Button_CheckAllFilesClick() {
    // The downloader serves one check or update at a time.
    if (m_runningWork > 0 || m_closing)
        return;
    runUpdateWork([this] { m_workflow->Button_CheckAllFilesClick(); });
    quitIfRequested();
}

void TFMain::retryUpdate() {
    if (!m_cycleEnded || m_runningWork > 0 || m_closing)
        return;
    runUpdateWork([this] { m_workflow->RunUpdate(); });
    quitIfRequested();
}

void TFMain::runUpdateWork(const std::function<void()>& work) {
    if (m_runningWork++ == 0)
        m_failures.clear();
    showCheckAllButton();
    work();
    --m_runningWork;
    showCheckAllButton();
    if (!platform::TerminateRequest::isRequested())
        showFailures();
}

void TFMain::reportFailure(const QString& subject, const QString&) {
    m_failures.add(subject);
}

// The workflow has put its count in the status line; the player also gets a message that
// stays, with the names and a way to try again, and the full check to repair with.
void TFMain::showFailures() {
    if (m_workflow->listMissing()) {
        m_msgPanel->showError(startup::interfaceText(startup::TextEntry::NoUpdateServer),
                              startup::interfaceTextOrDefault(startup::TextEntry::RetryButton));
        return;
    }
    if (m_failures.isEmpty())
        return;
    const QString configured = startup::interfaceText(startup::TextEntry::FilesFailed);
    m_msgPanel->showError(m_failures.message(configured),
                          startup::interfaceTextOrDefault(startup::TextEntry::RetryButton));
    setTotalText(startup::interfaceText(startup::TextEntry::TotalPrefix) + m_failures.countText(configured));
    setCheckAllVisible(true);
    setCheckAllEnabled(true);
}

void TFMain::styleMessagePanel() {
    m_msgPanel->setStyle(MessageStyle::fromSkin(*m_textStatus, m_skin.BackGroundImage.image, m_msgPanel->geometry()));
}

void TFMain::Button_CloseClick() {
    if (m_closing)
        return;
    m_closing = true;
    m_workflow->shutdown();
    quitIfRequested();
}

void TFMain::quitIfRequested() {
    if (!platform::TerminateRequest::isRequested())
        return;
    m_closing = true;
    QCoreApplication::quit();
}

void TFMain::closeEvent(QCloseEvent* event) {
    Button_CloseClick();
    event->accept();
}

void TFMain::MinimizeButtonClick() {
    if (m_tray->isVisible())
        hide();
    else
        showMinimized();
}

void TFMain::RxTrayIcon1Click() {
    bringForward();
}

void TFMain::bringForward() {
    showNormal();
    raise();
    activateWindow();
}

void TFMain::mousePressEvent(QMouseEvent* event) {
    m_draging = true;
    m_dragStart = event->position().toPoint();
}

void TFMain::mouseMoveEvent(QMouseEvent* event) {
    if (m_draging)
        move(pos() + event->position().toPoint() - m_dragStart);
}

void TFMain::mouseReleaseEvent(QMouseEvent*) {
    m_draging = false;
}

void TFMain::Box_LangFolderChange(int) {
    m_workflow->settings().langFolder = m_boxLangFolder->currentText();
    takeFocusFromBox();
}

// The box never keeps the keyboard focus: after a click and after its list closes the
// focus goes to the invisible button.
void TFMain::takeFocusFromBox() {
    QTimer::singleShot(0, m_hiddenButton, [button = m_hiddenButton] { button->setFocus(Qt::OtherFocusReason); });
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    const bool boxClicked = watched == m_boxLangFolder && event->type() == QEvent::MouseButtonRelease;
    const bool listClosed = watched != m_boxLangFolder && event->type() == QEvent::Hide;
    if (boxClicked || listClosed)
        takeFocusFromBox();
    return QWidget::eventFilter(watched, event);
}

void TFMain::setStatusText(const QString& value) {
    m_textStatus->setText(value);
    m_textStatus->repaint();
}

void TFMain::setTotalText(const QString& value) {
    m_textStatusTotal->setText(value);
    m_textStatusTotal->repaint();
}

void TFMain::setProgressMaximum(ProgressControl control, int maximum) {
    withProgressControl(control, [maximum](auto* c) {
        c->setMin(0);
        c->setStep(1);
        c->setMax(maximum);
    });
}

void TFMain::setProgressPosition(ProgressControl control, int position) {
    withProgressControl(control, [position](auto* c) { c->setPosition(position); });
}

int TFMain::progressWidth(ProgressControl control) const {
    int width = 0;
    withProgressControl(control, [&width](auto* c) { width = c->width(); });
    return width;
}

void TFMain::setStartButtonEnabled(bool enabled) {
    m_buttonStartGame->setEnabled(enabled);
    m_buttonStartGame->setCursor(enabled ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
}

void TFMain::setCheckAllVisible(bool visible) {
    m_checkAllOffered = visible;
    showCheckAllButton();
}

void TFMain::setCheckAllEnabled(bool enabled) {
    m_buttonCheckAllFiles->setEnabled(enabled && m_runningWork == 0);
}

void TFMain::showCheckAllButton() {
    // Hidden until the start-up cycle has ended; greyed while a full check runs, and
    // usable again after it.
    m_buttonCheckAllFiles->setVisible(m_checkAllOffered && (!m_cycleStarted || m_cycleEnded));
    m_buttonCheckAllFiles->setEnabled(m_runningWork == 0);
}

} // namespace kaldoria::mainwindow
