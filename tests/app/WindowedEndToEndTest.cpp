#include "LauncherFixture.h"

#include "skin/TkucBackGround.h"
#include "ui/skinapply/RegionData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace kaldoria::app {

namespace {

constexpr int kRunTimeoutMs = 180000;
constexpr QSize kScreen{1280, 1024};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The share of the pixels of `part` that equal those of `image` at `origin`.
double matchingShare(const QImage& screen, QPoint origin, const QImage& image) {
    int same = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            same += (screen.pixel(origin + QPoint(x, y)) & 0xFFFFFF) == (image.pixel(x, y) & 0xFFFFFF);
    }
    return double(same) / (image.width() * image.height());
}

} // namespace

// The program as a player starts it, on a virtual X display: the skinned window updates
// the client from nginx on 127.0.0.1 and takes screenshots of itself when the update has
// ended, then closes as its close button closes it.
class WindowedEndToEndTest : public LauncherFixture {};

TEST_F(WindowedEndToEndTest, SkinnedWindowUpdatesTheClientAndEnablesTheStartButton) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    testsupport::UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\data\\world.dat"), QByteArray(300000, 'w'));
    folder.setRequired({QStringLiteral("\\data\\world.dat")});
    publish(folder);
    QFile news(serverFile(QStringLiteral("news.html")));
    ASSERT_TRUE(news.open(QIODevice::WriteOnly));
    news.write(
        "<html><body style='background:#101828;color:#e8dcb0;font-family:serif;margin:28px 20px'><h2>Kaldoria news</h2>"
        "<p>The northern pass is open again.</p><a style='color:#e0b050' "
        "href='https://example.org/'>Forum</a></body></html>");
    news.close();

    // The start button waits for the end of the update, as a real skin has it.
    QFile buttonParameters(m_skin + QStringLiteral("/MainWindow/Button_StartGame/parameters.txt"));
    ASSERT_TRUE(buttonParameters.open(QIODevice::ReadWrite));
    const QByteArray parameters = buttonParameters.readAll().replace("Enabled=true", "Enabled=false");
    buttonParameters.resize(0);
    buttonParameters.write(parameters);
    buttonParameters.close();

    const QString url = m_nginx->url();
    makeLauncher(QStringLiteral("[config]\ninstance=KaldoriaWindowed-%1\ntrayhint=Kaldoria\n"
                                "usercan_changelanguage=true\nusercan_changeproxy=true\nusercan_changedrivetype=true\n"
                                "usercan_changecheckmethod=true\nusercan_changeautoclose=true\n"
                                "[mainwindow]\ncaption=Kaldoria\nfadeeffect=true\n[settingwindow]\nfadeeffect=true\n"
                                "[updateservers]\nurl=%2\n[lang=1033:English]\n0=%2news.html\n1=[Unpacking ]\n"
                                "3=[Client is up to date]\n4=[Updating ]\n5=[Update done]\n7=[Fetching the list]\n"
                                "12=[Settings]\n13=[Language]\n14=[Close after the game starts]\n20=[Game proxy]\n"
                                "22=[Drive]\n23=[Check]\n24=[Total: ]\n25=[Client language]\n"
                                "[lang=1031:Deutsch]\n5=[Fertig]\n")
                     .arg(QFileInfo(m_root.path()).fileName(), url));

    const QString shots = buildFile(QStringLiteral("tests/screenshots"));
    QDir().mkpath(shots);
    const QString mainShot = shots + QStringLiteral("/main-window.png");
    const QString settingsShot = shots + QStringLiteral("/settings-window.png");
    QFile::remove(mainShot);
    QFile::remove(settingsShot);

    QProcess launcher;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("KALDORIA_SCREENSHOT"), mainShot);
    environment.insert(QStringLiteral("KALDORIA_SCREENSHOT_SETTINGS"), settingsShot);
    launcher.setProcessEnvironment(environment);
    launcher.setWorkingDirectory(m_client);
    launcher.setProcessChannelMode(QProcess::ForwardedChannels);
    launcher.start(QStringLiteral("xvfb-run"),
                   {QStringLiteral("-a"), QStringLiteral("-s"),
                    QStringLiteral("-screen 0 %1x%2x24").arg(kScreen.width()).arg(kScreen.height()),
                    clientFile(QStringLiteral("Kaldoria"))});
    const bool ended = launcher.waitForFinished(kRunTimeoutMs);
    if (!ended)
        launcher.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(launcher.exitCode(), 0);

    // The update ran and the close action saved the user settings.
    EXPECT_EQ(readClient(QStringLiteral("data/world.dat")), QByteArray(300000, 'w'));
    EXPECT_TRUE(readClient(QStringLiteral("updater/Kaldoria.ini")).startsWith("Left = 240\r\nTop = 232\r\n"));

    const QImage screen = QImage(mainShot).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), kScreen) << mainShot.toStdString();
    const QString skinMain = m_skin + QStringLiteral("/MainWindow/");
    const QImage background(skinMain + QStringLiteral("BackGroundImage/image.bmp"));
    ASSERT_FALSE(background.isNull());
    const std::optional<QRegion> outline =
        skin::regionFromData(readFile(skinMain + QStringLiteral("BackGroundImage/region.rgn")));
    ASSERT_TRUE(outline);
    // Centred on the screen.
    const QPoint origin((kScreen.width() - background.width()) / 2, (kScreen.height() - background.height()) / 2);

    // Outside the outline the screen's own background shows: every such pixel of the
    // window's rectangle equals the bare screen far from the window.
    const QRgb bare = screen.pixel(2, 2);
    int outside = 0;
    int drawnOutside = 0;
    for (int y = 0; y < background.height(); y += 3) {
        for (int x = 0; x < background.width(); x += 3) {
            if (outline->contains(QPoint(x, y)))
                continue;
            ++outside;
            drawnOutside += screen.pixel(origin + QPoint(x, y)) != bare;
        }
    }
    EXPECT_GT(outside, 100);
    EXPECT_EQ(drawnOutside, 0);
    // Inside, where no control stands (the crest above the body), the background is drawn.
    const QPoint crest(400, 6);
    ASSERT_TRUE(outline->contains(crest));
    EXPECT_EQ(screen.pixel(origin + crest) & 0xFFFFFF, background.pixel(crest) & 0xFFFFFF);
    EXPECT_NE(screen.pixel(origin + crest), bare);

    // The start button shows its normal image, not its disabled one.
    const QString button = skinMain + QStringLiteral("Button_StartGame/");
    const QImage normal(button + QStringLiteral("common.bmp"));
    const QImage disabled(button + QStringLiteral("disabled.bmp"));
    const QPoint buttonAt = origin + QPoint(526, 456);
    EXPECT_GT(matchingShare(screen, buttonAt, normal), 0.95);
    EXPECT_LT(matchingShare(screen, buttonAt, disabled), 0.5);

    // The settings window was shown over the main window with its own outline.
    const QImage settings = QImage(settingsShot).convertToFormat(QImage::Format_RGB32);
    const QImage settingsBackground(m_skin + QStringLiteral("/ConfigWindow/BackGroundImage/image.bmp"));
    ASSERT_EQ(settings.size(), QSize(520, settingsBackground.height())) << settingsShot.toStdString();
    const QPoint middle(480, 40);
    EXPECT_EQ(settings.pixel(middle) & 0xFFFFFF, settingsBackground.pixel(middle) & 0xFFFFFF);
}

} // namespace kaldoria::app
