#include "WindowFixture.h"

#include "platform/TerminateRequest.h"
#include "startup/InterfaceTexts.h"
#include "ui/skinapply/ElementApply.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTcpServer>
#include <QTest>
#include <QTextBrowser>

namespace kaldoria::mainwindow {

namespace {

QPoint centredOnScreen(const QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.width() / 2 - window.width() / 2, screen.height() / 2 - window.height() / 2};
}

// Pixels of `image` inside `area` within a small distance of `colour`.
int pixelsNear(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                60)
                ++count;
        }
    }
    return count;
}

void sendMouse(QWidget& window, QEvent::Type type, Qt::MouseButton button, QPoint local) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, window.mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

} // namespace

class TFMainTest : public WindowFixture {};

TEST_F(TFMainTest, EveryCloseActionSavesTheSettingsLinesAndEndsTheProgram) {
    const std::pair<const char*, std::function<void(TFMain&)>> paths[] = {
        {"close button", [](TFMain& w) { QTest::mouseClick(w.Button_Close(), Qt::LeftButton); }},
        {"cancel button", [](TFMain& w) { QTest::mouseClick(w.Button_Cancel(), Qt::LeftButton); }},
        {"window closed", [](TFMain& w) { w.close(); }},
    };
    for (const auto& [name, closeWindow] : paths) {
        QFile::remove(clientFile(QStringLiteral("updater/Kaldoria.ini")));
        platform::TerminateRequest::reset();
        TFMain& window = makeWindows(configText());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QPoint at = centredOnScreen(window);
        EXPECT_EQ(window.pos(), at) << name;
        closeWindow(window);
        EXPECT_TRUE(platform::TerminateRequest::isRequested()) << name;
        EXPECT_EQ(settingsLines(),
                  (QStringList{QStringLiteral("Left = %1").arg(at.x()), QStringLiteral("Top = %1").arg(at.y()),
                               QStringLiteral("Language = English"), QStringLiteral("AutoClose = False"),
                               QStringLiteral("SelProxy = auto"), QStringLiteral("DriveType = HDD"),
                               QStringLiteral("CheckMode = Hard: MD5 Hash"), QStringLiteral("LangFolder = default"),
                               QStringLiteral("LimitRate = 0")}))
            << name;
    }
}

TEST_F(TFMainTest, SavedPositionIsUsedOnlyWhenBothHalvesAreIntegers) {
    const std::pair<QByteArray, std::optional<QPoint>> cases[] = {
        {"Left = 100\r\nTop = 50\r\n", QPoint(100, 50)},
        {"left = 100\r\n", std::nullopt},
        {"Left = 100\r\nTop = x\r\n", std::nullopt},
    };
    for (const auto& [file, expected] : cases) {
        writeClient(QStringLiteral("updater/Kaldoria.ini"), file);
        TFMain& window = makeWindows(configText());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(window.pos(), expected.value_or(centredOnScreen(window))) << file.constData();
    }
}

TEST_F(TFMainTest, SkinShapesTheWindowAndTheConfigurationLabelsIt) {
    TFMain& window = makeWindows(configText(QStringLiteral("[mainwindow]\ncaption=Kaldoria Online")));
    EXPECT_EQ(window.size(), m_skin->MainWindow.BackGroundImage.image.size());
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_NE(window.mask(), QRegion(window.rect()));
    EXPECT_EQ(window.Text_Title()->text(), QStringLiteral("Kaldoria Online"));
    EXPECT_EQ(window.Text_LangBoxDescription()->text(), QStringLiteral("Client language EN"));
    EXPECT_EQ(window.Button_StartGame()->toolTip(), QStringLiteral("Start the game EN"));
    EXPECT_FALSE(window.Button_StartGame()->isEnabled());
    // The browser is larger than its panel and shows only its inner part.
    EXPECT_EQ(window.WebBrowser1()->geometry(), QRect(QPoint(0, -19), window.WebPanel()->size() + QSize(32, 32)));
}

// The panel keeps the skin's place and size; the page is laid out over exactly the part of the
// browser that the panel shows, so no text runs under the panel's edges.
TEST_F(TFMainTest, NewsPageIsLaidOutInsideTheVisiblePartOfThePanel) {
    const QString page = m_root.filePath(QStringLiteral("news.html"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><p>" + QByteArray(400, 'x').replace("xxxxxxxx", "news of ") + "</p></body></html>");
    file.close();
    TFMain& window = makeWindows(configText({}, {}, QUrl::fromLocalFile(page).toString()));
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.WebBrowser1()->isVisible(); }));

    QWidget skinWindow;
    QWidget skinPanel(&skinWindow);
    skin::SaveToForm(m_skin->MainWindow.WebPanel, skinPanel);
    EXPECT_EQ(window.WebPanel()->geometry(), skinPanel.geometry());
    const QWidget* view = window.WebBrowser1()->findChild<QTextBrowser*>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(QRect(view->mapTo(window.WebPanel(), QPoint(0, 0)), view->size()), window.WebPanel()->rect());
}

TEST_F(TFMainTest, DraggingWithAnyMouseButtonMovesTheWindow) {
    TFMain& window = makeWindows(configText());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const QPoint start = window.pos();
        sendMouse(window, QEvent::MouseButtonPress, button, QPoint(10, 20));
        sendMouse(window, QEvent::MouseMove, button, QPoint(40, 35));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.pos() == start + QPoint(30, 15); })) << button;
        sendMouse(window, QEvent::MouseButtonRelease, button, QPoint(40, 35));
        const QPoint dropped = window.pos();
        sendMouse(window, QEvent::MouseMove, Qt::NoButton, QPoint(90, 90));
        QTest::qWait(20);
        EXPECT_EQ(window.pos(), dropped) << "moving after the release does not drag";
    }
}

// The fade has a clock of its own: it starts when the window is first shown, before the
// update cycle (which here never starts).
TEST_F(TFMainTest, FadeInStartsWhenTheWindowIsShownAndStepsBy30) {
    TFMain::Timings timings = idleTimings();
    timings.fade = 24 * 3600 * 1000;
    TFMain& window = makeWindows(configText(QStringLiteral("[mainwindow]\nfadeeffect=true")), timings);
    EXPECT_EQ(window.windowOpacity(), 0.0);
    EXPECT_EQ(window.fade().alpha(), 0);
    EXPECT_FALSE(window.fade().isActive());
    window.show();
    EXPECT_TRUE(window.fade().isActive());

    QList<int> steps;
    while (window.fade().isActive() && steps.size() < 20) {
        window.fade().FadeTimerTimer();
        steps << window.fade().alpha();
    }
    EXPECT_EQ(steps, (QList<int>{30, 60, 90, 120, 150, 180, 210, 240, 255}));
    EXPECT_EQ(window.windowOpacity(), 1.0);
}

TEST_F(TFMainTest, WithoutServersTheCycleEndsWithTheMessageAndAUsableStartButton) {
    TFMain::Timings timings;
    timings.mainTimer = 0;
    TFMain& window = makeWindows(configText(), timings);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 30000));
    EXPECT_TRUE(window.Button_StartGame()->isEnabled());
    EXPECT_EQ(window.Button_StartGame()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("No update server EN"));
    EXPECT_EQ(window.MsgPanel()->MsgLabel()->text(), QStringLiteral("No update server EN"));
}

// The message about the missing server reads in the skin's status font and colour, has a close
// button drawn in that colour, and stays until it is closed.
TEST_F(TFMainTest, ErrorMessageTakesTheSkinsLookAndStaysUntilClosed) {
    TFMain::Timings timings;
    timings.mainTimer = 0;
    timings.message = {1, 50};
    TFMain& window = makeWindows(configText(), timings);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 30000));
    MessagePanel* panel = window.MsgPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isVisible() && !panel->isOpening(); }));
    QTest::qWait(timings.message.open * 6);
    ASSERT_TRUE(panel->isVisible()) << "an error outlasts the period after which a notice closes";

    const QColor skinText = window.Text_Status()->palette().color(QPalette::WindowText);
    EXPECT_EQ(panel->MsgLabel()->palette().color(QPalette::WindowText), skinText);
    EXPECT_EQ(panel->MsgLabel()->font().pixelSize(), window.Text_Status()->font().pixelSize());
    EXPECT_EQ(panel->MsgLabel()->font().pointSize(), window.Text_Status()->font().pointSize());
    const QImage drawn = panel->grab().toImage();
    EXPECT_GE(pixelsNear(drawn, panel->MsgCloseBtn()->geometry(), skinText), 20) << "the close mark is drawn clearly";
    EXPECT_GE(panel->MsgCloseBtn()->width(), 20);

    QTest::mouseClick(panel->MsgCloseBtn(), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(TFMainTest, NewsPageThatFailsHidesThePanelAndTheCycleStillStarts) {
    TFMain::Timings timings;
    timings.mainTimer = 0;
    TFMain& window = makeWindows(configText({}, {}, QStringLiteral("http://127.0.0.1:1/news.html")), timings);
    EXPECT_TRUE(window.WebPanel()->isVisibleTo(&window)) << "the skin shows the panel";
    window.show();
    EXPECT_FALSE(window.WebBrowser1()->isVisibleTo(window.WebPanel())) << "hidden while the page loads";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 30000));
    EXPECT_FALSE(window.WebPanel()->isVisibleTo(&window));
    EXPECT_EQ(window.NewsURL(), QStringLiteral("http://127.0.0.1:1/news.html"));
}

// A news server that accepts the connection and never answers holds the update cycle only
// for the news wait.
TEST_F(TFMainTest, SilentNewsServerHoldsTheCycleOnlyForTheNewsWait) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    TFMain::Timings timings;
    timings.mainTimer = 0;
    timings.newsWait = 300;
    const QString news = QStringLiteral("http://127.0.0.1:%1/news.html").arg(silent.serverPort());
    TFMain& window = makeWindows(configText({}, {}, news), timings);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 20000));
    EXPECT_TRUE(silent.hasPendingConnections()) << "the page was asked for";
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("No update server EN"));
}

TEST_F(TFMainTest, NewsPanelKeepsOnlyTheNewsAddress) {
    TextNewsBrowser browser;
    QList<QUrl> opened;
    browser.setExternalOpener([&](const QUrl& url) { opened << url; });
    browser.setNewsUrl(QStringLiteral("http://news.example/Kaldoria/index.html"));
    EXPECT_TRUE(browser.BeforeNavigate(QUrl(QStringLiteral("http://news.example/Kaldoria/index.html"))));
    EXPECT_TRUE(browser.BeforeNavigate(QUrl(QStringLiteral("HTTP://NEWS.EXAMPLE/kaldoria/INDEX.HTML"))));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_FALSE(browser.BeforeNavigate(QUrl(QStringLiteral("http://news.example/Kaldoria/shop.html"))));
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("http://news.example/Kaldoria/shop.html"))}));
}

TEST_F(TFMainTest, LanguageFolderBoxFollowsTheSavedChoiceAndNeverKeepsTheFocus) {
    writeClient(QStringLiteral("updater/Kaldoria.ini"), "LangFolder = Deutsch\r\n");
    TFMain& window =
        makeWindows(configText(QStringLiteral("[config]\nlanguage_folder=English;system|Deutsch;system_de")));
    controls::TElComboBox* box = window.Box_LangFolder();
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), QStringLiteral("Deutsch"));
    EXPECT_TRUE(box->isEnabled());

    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    box->setCurrentIndex(0);
    Q_EMIT box->activated(0);
    EXPECT_EQ(window.workflow().settings().langFolder, QStringLiteral("English"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.HiddenButton()->hasFocus(); }));

    TFMain& plain = makeWindows(configText());
    EXPECT_EQ(plain.Box_LangFolder()->count(), 1);
    EXPECT_EQ(plain.Box_LangFolder()->currentText(), QStringLiteral("default"));
    EXPECT_FALSE(plain.Box_LangFolder()->isEnabled());
}

TEST_F(TFMainTest, MinimiseWithoutATrayAndComeBackFromIt) {
    TFMain& window = makeWindows(configText());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has no tray";
    QTest::mouseClick(window.Button_Minimize(), Qt::LeftButton);
    EXPECT_TRUE(window.isMinimized());
    window.RxTrayIcon1Click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
}

// The settings window opened by the click blocks the main window, so the button never sees
// the pointer leave; it must not keep its hover image once the window has closed.
TEST_F(TFMainTest, SettingsButtonDropsItsHoverImageWhenTheSettingsWindowCloses) {
    TFMain& window = makeWindows(configText());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    controls::TImageButton* button = window.Button_Config();
    ASSERT_NE(button->bitmapOver(), button->bitmap()) << "the skin has a hover image";
    QEnterEvent enter(QPointF(5, 5), button->mapTo(&window, QPointF(5, 5)), button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(button, &enter);
    ASSERT_EQ(button->currentImage(), button->bitmapOver());

    bool shown = false;
    QTimer::singleShot(0, m_settings, [&] {
        shown = m_settings->isVisible();
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(shown);
    EXPECT_EQ(button->currentImage(), button->bitmap());
}

TEST_F(TFMainTest, SettingsWindowChoicesAreTakenOverWhenItCloses) {
    TFMain& window = makeWindows(configText(QStringLiteral("[gameproxys]\nuseproxy=true\nport=1\n"
                                                           "proxy=Silent|127.0.0.1|silent.ini\n")));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bool shown = false;
    QTimer::singleShot(0, m_settings, [&] {
        shown = m_settings->isVisible();
        m_settings->Box_Language()->setCurrentIndex(1);
        Q_EMIT m_settings->Box_Language()->activated(1);
        m_settings->Check_Autoclose()->setChecked(true);
        m_settings->Box_Proxy()->setCurrentIndex(1);
        m_settings->Box_DriveType()->setCurrentIndex(1);
        m_settings->Box_CheckType()->setCurrentIndex(2);
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    window.Button_ConfigClick();
    EXPECT_TRUE(shown);
    const update::UserSettings& s = window.workflow().settings();
    EXPECT_TRUE(s.autoClose);
    EXPECT_EQ(s.selProxy, QStringLiteral("Silent"));
    EXPECT_EQ(window.workflow().proxyIdx(), 1);
    EXPECT_EQ(s.driveType, QStringLiteral("SSD"));
    EXPECT_EQ(s.checkMode, QStringLiteral("Light: Previous List"));
    EXPECT_EQ(window.LangConst(), 1031);
    EXPECT_EQ(window.Text_LangBoxDescription()->text(), QStringLiteral("Client language DE"));
    // The chosen proxy was probed at once and did not answer.
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Proxy silent DE"));
    EXPECT_EQ(window.MsgPanel()->MsgLabel()->text(), QStringLiteral("Proxy silent DE"));

    window.close();
    EXPECT_TRUE(settingsLines().contains(QStringLiteral("Language = Deutsch")));
    EXPECT_TRUE(settingsLines().contains(QStringLiteral("AutoClose = True")));
}

TEST_F(TFMainTest, PickingALanguageRelabelsTheMainWindowBeforeTheSettingsClose) {
    // Only German has a news page and a news placeholder: their lines follow the German
    // section, the last one.
    TFMain& window =
        makeWindows(configText() + QStringLiteral("0=http://127.0.0.1:1/de.html\n35=Neuigkeiten folgen\n"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.setStatusText(QStringLiteral("Client is up to date EN"));
    window.setTotalText(QStringLiteral("Total:  EN42%"));
    EXPECT_EQ(window.NewsURL(), QString());
    EXPECT_EQ(window.NewsPlaceholder()->text(), QStringLiteral("News"));
    QStringList whileOpen;
    QTimer::singleShot(0, m_settings, [&] {
        m_settings->Box_Language()->setCurrentIndex(1);
        Q_EMIT m_settings->Box_Language()->activated(1);
        whileOpen = {window.Text_Status()->text(),
                     window.Text_StatusTotal()->text(),
                     window.Text_LangBoxDescription()->text(),
                     window.Button_StartGame()->toolTip(),
                     window.NewsURL(),
                     window.NewsPlaceholder()->text()};
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    window.Button_ConfigClick();
    EXPECT_EQ(whileOpen,
              (QStringList{QStringLiteral("Client is up to date DE"), QStringLiteral("Total:  DE42%"),
                           QStringLiteral("Client language DE"), QStringLiteral("Start the game DE"),
                           QStringLiteral("http://127.0.0.1:1/de.html"), QStringLiteral("Neuigkeiten folgen")}));
    EXPECT_EQ(window.LangConst(), 1031);
}

TEST_F(TFMainTest, PickedProxyIsProbedAtOnceWithoutFreezingTheWindows) {
    TFMain& window = makeWindows(configText(QStringLiteral("[gameproxys]\nuseproxy=true\nport=1\n"
                                                           "proxy=Silent|127.0.0.1|silent.ini\n")));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QString statusWhileOpen;
    QString messageWhileOpen;
    bool settingsOpen = false;
    int ticksDuringProbe = 0;
    QTimer::singleShot(0, m_settings, [&] {
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticksDuringProbe; });
        tick.start(50);
        m_settings->Box_Proxy()->setCurrentIndex(1);
        Q_EMIT m_settings->Box_Proxy()->activated(1);
        tick.stop();
        statusWhileOpen = window.Text_Status()->text();
        messageWhileOpen = window.MsgPanel()->MsgLabel()->text();
        settingsOpen = m_settings->isVisible();
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    window.Button_ConfigClick();
    EXPECT_TRUE(settingsOpen);
    EXPECT_EQ(statusWhileOpen, QStringLiteral("Proxy silent EN"));
    EXPECT_EQ(messageWhileOpen, QStringLiteral("Proxy silent EN"));
    EXPECT_GT(ticksDuringProbe, 0) << "the windows kept running while the proxy was probed";
    EXPECT_EQ(window.workflow().settings().selProxy, QStringLiteral("Silent"));
    EXPECT_EQ(window.workflow().proxyIdx(), 1);
}

} // namespace kaldoria::mainwindow
