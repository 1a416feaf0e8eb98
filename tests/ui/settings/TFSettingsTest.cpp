#include "WindowFixture.h"

#include "startup/InterfaceTexts.h"

#include <QSignalSpy>
#include <QTest>

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
