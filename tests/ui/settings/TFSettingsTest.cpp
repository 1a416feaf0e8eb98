#include "WindowFixture.h"

#include "startup/InterfaceTexts.h"
#include "ui/skinapply/RateLimitRow.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace kaldoria::settings {

namespace {

// Records every width the window takes.
class WidthWatch : public QObject {
public:
    explicit WidthWatch(QWidget& window) { window.installEventFilter(this); }
    QList<int> widths;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            widths << static_cast<QWidget*>(watched)->width();
        return false;
    }
};

QStringList items(const QComboBox* box) {
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

// Where a control shows the toolkit's plain white face.
int whitePixels(QWidget& control) {
    const QImage shot = control.grab().toImage();
    int white = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            white += (shot.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 1 : 0;
    }
    return white;
}

// German names for the fixed choices; English leaves them to the built-in defaults.
const QString kGermanChoices = QStringLiteral("28=Weiter\n29=Automatisch\n30=Festplatte\n31=Flash\n"
                                              "32=Streng\n33=Mittel\n34=Leicht\n");

} // namespace

class TFSettingsTest : public mainwindow::WindowFixture {
protected:
    TFSettings& makeSettings(const QString& configText) {
        loadConfiguration(configText);
        m_config->SetLanguageArray(1033, startup::InterfaceTexts);
        m_window = std::make_unique<TFSettings>(*m_config, m_skin->ConfigWindow);
        skin::SetDataToForm(m_skin->ConfigWindow, m_window->controls());
        return *m_window;
    }

    // Opens the window as the main window does, without the modal wait.
    void open(TFSettings& window, const MainWindowValues& values) {
        window.setMainWindowValues(values);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    static MainWindowValues saved(const QString& selProxy, const QString& driveType, const QString& checkMode) {
        return {QRect(100, 80, 800, 560), 1033, true, selProxy, driveType, checkMode};
    }

    std::unique_ptr<TFSettings> m_window;
};

TEST_F(TFSettingsTest, LockedChoicesAreShownDisabledWithTheirFixedValues) {
    TFSettings& window = makeSettings(QStringLiteral("[config]\ndefaultautoclose=true\n[gameproxys]\nuseproxy=true\n"
                                                     "proxy=Eu|127.0.0.1|eu.ini\n[lang=1033:English]\n12=[Settings]\n"
                                                     "[lang=1031:Deutsch]\n12=[Einstellungen]\n"));
    open(window, saved(QStringLiteral("eu"), QStringLiteral("SSD"), QStringLiteral("Light: Previous List")));
    EXPECT_FALSE(window.Box_Language()->isEnabled());
    EXPECT_EQ(window.Box_Language()->currentIndex(), -1);
    EXPECT_FALSE(window.Check_Autoclose()->isEnabled());
    EXPECT_TRUE(window.Check_Autoclose()->isChecked());
    EXPECT_FALSE(window.Box_Proxy()->isEnabled());
    EXPECT_EQ(items(window.Box_Proxy()), QStringList{QStringLiteral("Auto")});
    EXPECT_EQ(window.Box_Proxy()->currentIndex(), 0);
    EXPECT_FALSE(window.Box_DriveType()->isEnabled());
    EXPECT_EQ(window.Box_DriveType()->currentText(), QStringLiteral("HDD"));
    EXPECT_FALSE(window.Box_CheckType()->isEnabled());
    EXPECT_EQ(window.Box_CheckType()->currentText(), QStringLiteral("Hard: MD5 Hash"));
}

TEST_F(TFSettingsTest, OpeningSelectsTheMainWindowsValues) {
    TFSettings& window =
        makeSettings(configText(QStringLiteral("[gameproxys]\nuseproxy=true\nproxy= Eu |127.0.0.1|eu.ini\n"
                                               "proxy=Us|127.0.0.2|us.ini\nproxy=eu|127.0.0.3|eu2.ini\n")));
    struct Case {
        MainWindowValues values;
        int proxy;
        int drive;
        int check;
    };
    const Case cases[] = {
        {saved(QStringLiteral("EU"), QStringLiteral("hdd"), QStringLiteral("medium: SIZE & date")), 3, 0, 1},
        {saved(QStringLiteral("gone"), QStringLiteral("SSD"), QStringLiteral("Light: Previous List")), 0, 1, 2},
        {saved(QStringLiteral("us"), QStringLiteral("anything"), QStringLiteral("unknown")), 2, 1, 2},
    };
    for (const Case& c : cases) {
        open(window, c.values);
        EXPECT_EQ(items(window.Box_Proxy()), (QStringList{QStringLiteral("Auto"), QStringLiteral("Eu"),
                                                          QStringLiteral("Us"), QStringLiteral("eu")}));
        EXPECT_EQ(window.Box_Proxy()->currentIndex(), c.proxy) << c.values.selProxy.toStdString();
        EXPECT_EQ(window.Box_DriveType()->currentIndex(), c.drive) << c.values.driveType.toStdString();
        EXPECT_EQ(window.Box_CheckType()->currentIndex(), c.check) << c.values.checkMode.toStdString();
        EXPECT_EQ(window.Box_Language()->currentText(), QStringLiteral("English"));
        EXPECT_TRUE(window.Check_Autoclose()->isChecked());
        // Centred over the main window.
        EXPECT_EQ(window.pos(), QPoint(100 + 400 - window.width() / 2, 80 + 280 - window.height() / 2));
        window.hide();
    }
}

TEST_F(TFSettingsTest, ProxiesAllowedButNoneConfiguredLeaveOnlyAutoEnabled) {
    TFSettings& window = makeSettings(configText());
    open(window, saved(QStringLiteral("auto"), QStringLiteral("HDD"), QStringLiteral("Hard: MD5 Hash")));
    EXPECT_TRUE(window.Box_Proxy()->isEnabled());
    EXPECT_EQ(items(window.Box_Proxy()), QStringList{QStringLiteral("Auto")});
}

TEST_F(TFSettingsTest, PickingALanguageRelabelsTheWindowAtOnce) {
    TFSettings& window = makeSettings(configText());
    open(window, saved(QStringLiteral("auto"), QStringLiteral("HDD"), QStringLiteral("Hard: MD5 Hash")));
    EXPECT_EQ(window.Text_Title()->text(), QStringLiteral("Settings EN"));
    QSignalSpy changed(&window, &TFSettings::languageChanged);
    window.Box_Language()->setCurrentIndex(1);
    Q_EMIT window.Box_Language()->activated(1);
    EXPECT_EQ(window.Text_Title()->text(), QStringLiteral("Settings DE"));
    EXPECT_EQ(startup::InterfaceTexts[23], QStringLiteral("Check depth DE"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1031);
    EXPECT_EQ(window.langConst(), 1031);
    EXPECT_EQ(m_config->LangName, QStringLiteral("Deutsch"));
}

TEST_F(TFSettingsTest, ChoicesOkAndAutoAreShownInTheLanguageWhileTheSavedValuesStayEnglish) {
    // The German lines follow the German section, the last one of the text.
    mainwindow::TFMain& main = makeWindows(
        configText(QStringLiteral("[gameproxys]\nuseproxy=true\nproxy=Eu|127.0.0.1|eu.ini\n")) + kGermanChoices);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QStringList english;
    QStringList german;
    auto shown = [&] {
        return QStringList{m_settings->Button_Ok()->text(), m_settings->Box_Proxy()->itemText(0)} +
               items(m_settings->Box_DriveType()) + items(m_settings->Box_CheckType());
    };
    QTimer::singleShot(0, m_settings, [&] {
        english = shown();
        m_settings->Box_Language()->setCurrentIndex(1);
        Q_EMIT m_settings->Box_Language()->activated(1);
        german = shown();
        m_settings->Box_DriveType()->setCurrentIndex(1);
        m_settings->Box_CheckType()->setCurrentIndex(1);
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    main.Button_ConfigClick();
    EXPECT_EQ(english, (QStringList{QStringLiteral("Ok"), QStringLiteral("Auto"), QStringLiteral("HDD"),
                                    QStringLiteral("SSD"), QStringLiteral("Hard: MD5 Hash"),
                                    QStringLiteral("Medium: Size & Date"), QStringLiteral("Light: Previous List")}));
    EXPECT_EQ(german, (QStringList{QStringLiteral("Weiter"), QStringLiteral("Automatisch"),
                                   QStringLiteral("Festplatte"), QStringLiteral("Flash"), QStringLiteral("Streng"),
                                   QStringLiteral("Mittel"), QStringLiteral("Leicht")}));
    main.close();
    const QStringList lines = settingsLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("SelProxy = Auto"))) << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("DriveType = SSD")));
    EXPECT_TRUE(lines.contains(QStringLiteral("CheckMode = Medium: Size & Date")));
}

// The limit is shown in KB/s, rounded up so that a limit never shows as none; one the player
// leaves as it was keeps its bytes, one the player changes is saved in the settings file.
TEST_F(TFSettingsTest, DownloadLimitIsShownInKilobytesAndSavedWhenChanged) {
    TFSettings& window = makeSettings(configText());
    const struct {
        qint64 saved;
        QString shown;
    } cases[] = {{0, QStringLiteral("Unlimited")},
                 {5 * 1024 * 1024, QStringLiteral("5120 KB/s")},
                 {1000, QStringLiteral("1 KB/s")}};
    for (const auto& c : cases) {
        MainWindowValues values =
            saved(QStringLiteral("auto"), QStringLiteral("HDD"), QStringLiteral("Hard: MD5 Hash"));
        values.limitRate = c.saved;
        open(window, values);
        EXPECT_EQ(window.Box_RateLimit()->text(), c.shown);
        EXPECT_EQ(window.limitRate(), c.saved);
        window.Box_RateLimit()->setValue(300);
        EXPECT_EQ(window.limitRate(), 300 * 1024);
        window.hide();
    }

    mainwindow::TFMain& main = makeWindows(configText());
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QTimer::singleShot(0, m_settings, [&] {
        m_settings->Box_RateLimit()->setValue(2048);
        QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
    });
    main.Button_ConfigClick();
    main.close();
    EXPECT_TRUE(settingsLines().contains(QStringLiteral("LimitRate = 2M"))) << settingsLines().join(u'|').toStdString();
}

// The row no skin element describes sits one row step below the check method's, in the
// label's font and colour and the boxes' dress; a skin without room for it hides it.
TEST_F(TFSettingsTest, DownloadLimitRowFollowsTheSkinnedRows) {
    mainwindow::TFMain& main = makeWindows(configText());
    open(*m_settings, main.settingsValues());
    QSpinBox* box = m_settings->Box_RateLimit();
    QLabel* label = m_settings->Text_RateLimit();
    QComboBox* check = m_settings->Box_CheckType();
    QComboBox* drive = m_settings->Box_DriveType();
    ASSERT_TRUE(box->isVisible());
    ASSERT_TRUE(label->isVisible());
    EXPECT_EQ(box->geometry(), check->geometry().translated(0, check->y() - drive->y()));
    EXPECT_EQ(label->x(), m_settings->controls().Text_CheckType->x());
    EXPECT_EQ(label->font(), m_settings->controls().Text_CheckType->font());
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              m_settings->controls().Text_CheckType->palette().color(QPalette::WindowText));
    EXPECT_EQ(whitePixels(*box), 0);
    const QImage& background = m_skin->ConfigWindow.BackGroundImage.image;
    EXPECT_EQ(box->grab().toImage().pixelColor(box->width() - 4, box->height() / 2),
              background.pixelColor(box->x() + 3, box->y() + box->height() / 2));

    // A skin whose "Ok" stands where the row would go.
    m_settings->Button_Ok()->move(m_settings->Button_Ok()->x(), box->y());
    skin::ConfigWindowControls controls = m_settings->controls();
    skin::placeRateLimitRow(controls);
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(label->isVisible());
}

TEST_F(TFSettingsTest, BoxesCheckBoxAndOkWearTheSkin) {
    mainwindow::TFMain& main = makeWindows(configText());
    open(*m_settings, main.settingsValues());
    const QImage& background = m_skin->ConfigWindow.BackGroundImage.image;
    const QColor text = m_settings->Text_Title()->palette().color(QPalette::WindowText);
    for (QComboBox* box : {m_settings->Box_Language(), m_settings->Box_Proxy(), m_settings->Box_DriveType(),
                           m_settings->Box_CheckType()}) {
        EXPECT_EQ(whitePixels(*box), 0) << box->currentText().toStdString();
        // The face is the background the skin draws under the box.
        const QPoint inside(box->x() + 3, box->y() + box->height() / 2);
        EXPECT_EQ(box->grab().toImage().pixelColor(3, box->height() / 2), background.pixelColor(inside));
    }
    EXPECT_EQ(whitePixels(*m_settings->Check_Autoclose()), 0);

    // The open list: field colour, the chosen line not in the toolkit's blue.
    QComboBox* box = m_settings->Box_DriveType();
    box->showPopup();
    QWidget* list = box->view()->viewport();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QImage popup = list->grab().toImage();
    EXPECT_EQ(whitePixels(*list), 0);
    const QColor chosen = popup.pixelColor(2, box->view()->visualRect(box->view()->currentIndex()).center().y());
    EXPECT_LT(std::abs(chosen.blue() - chosen.red()), 60) << chosen.name().toStdString();
    box->hidePopup();

    // "Ok" is drawn from the plate of the main window's settings button, caption in the title's colour.
    PlateButton* ok = m_settings->Button_Ok();
    ASSERT_TRUE(ok->hasPlates());
    const QImage plate = PlateButton::stretchPlate(m_skin->MainWindow.Button_Config.common, ok->size());
    const QImage drawn = ok->grab().toImage();
    for (const QPoint at : {QPoint(ok->width() / 8, ok->height() / 2), QPoint(ok->width() - 4, ok->height() / 2)})
        EXPECT_EQ(drawn.pixelColor(at), plate.pixelColor(at)) << at.x();
    bool captionSeen = false;
    for (int x = 0; x < drawn.width() && !captionSeen; ++x)
        captionSeen = drawn.pixelColor(x, ok->height() / 2) == text;
    EXPECT_TRUE(captionSeen);
}

TEST_F(TFSettingsTest, UnrollsTenPixelsPerTickToExactlyItsWidth) {
    TFSettings& window = makeSettings(configText(QStringLiteral("[settingwindow]\nfadeeffect=true")));
    WidthWatch watch(window);
    window.setMainWindowValues(saved(QStringLiteral("auto"), QStringLiteral("HDD"), QStringLiteral("Hard: MD5 Hash")));
    window.show();
    EXPECT_EQ(window.width(), 0);
    EXPECT_EQ(window.FormWidth(), 520);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.FadeIn()->isActive(); }, 20000));
    EXPECT_EQ(window.width(), 520);
    const QList<int> unrolled = watch.widths.mid(watch.widths.lastIndexOf(0) + 1);
    ASSERT_EQ(unrolled.size(), 52);
    for (int i = 0; i < unrolled.size(); ++i)
        EXPECT_EQ(unrolled.at(i), 10 * (i + 1));
}

TEST_F(TFSettingsTest, OutlineCutsEveryPixelOfTheKeyColour) {
    TFSettings& window = makeSettings(configText());
    const QImage& background = m_skin->ConfigWindow.BackGroundImage.image;
    EXPECT_EQ(window.height(), background.height());
    EXPECT_EQ(window.width(), 520);
    const QRegion outline = window.mask();
    const QRgb key = background.pixel(0, 0);
    for (int y = 0; y < background.height(); y += 7) {
        for (int x = 0; x < background.width(); x += 7) {
            const bool kept = (background.pixel(x, y) & 0xFFFFFF) != (key & 0xFFFFFF);
            ASSERT_EQ(outline.contains(QPoint(x, y)), kept) << x << "," << y;
        }
    }
}

} // namespace kaldoria::settings
