#include "WindowFixture.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace kaldoria::mainwindow {

namespace {

// The window's opacity as the display server holds it, read by another X client (the one a
// compositing window manager reads too): 0xFFFFFFFF is opaque; none set means opaque as well.
std::optional<quint32> serverOpacity(const QWidget& window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                          QStringLiteral("-notype"), QStringLiteral("_NET_WM_WINDOW_OPACITY")});
    if (!xprop.waitForFinished(10000))
        return std::nullopt;
    const QString answer = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    if (answer.contains(QStringLiteral("not found")))
        return 0xFFFFFFFFu;
    bool ok = false;
    const quint32 value = answer.section(QLatin1Char('='), 1).trimmed().toUInt(&ok);
    return ok ? std::optional<quint32>(value) : std::nullopt;
}

} // namespace

// The main window on a real X display (run under xvfb-run).
class TFMainOnScreenTest : public WindowFixture {};

// The fade-in reaches the display server step by step on its own clock, whatever the update
// cycle does: with the cycle not started yet, and while it waits five seconds for a saved
// game proxy that does not answer. Nothing else (input, painting) happens meanwhile.
TEST_F(TFMainOnScreenTest, FadeReachesTheDisplayWhateverTheCycleDoes) {
    if (QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "needs an X display (xvfb-run)";
    if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "needs xprop (Debian package x11-utils) to read the window's opacity";
    const QString fade = QStringLiteral("[mainwindow]\nfadeeffect=true\n");
    const QString silentProxy =
        fade + QStringLiteral("[gameproxys]\nuseproxy=true\nport=1\nproxy=Silent|127.0.0.1|silent.ini\n");
    TFMain::Timings probing;
    probing.mainTimer = 0;
    const struct {
        const char* name;
        QString config;
        QByteArray settings;
        TFMain::Timings timings;
    } cases[] = {
        {"before the cycle", fade, {}, idleTimings()},
        {"while a silent proxy is probed", silentProxy, "SelProxy = Silent\r\n", probing},
    };
    for (const auto& c : cases) {
        writeClient(QStringLiteral("updater/Kaldoria.ini"), c.settings);
        TFMain& window = makeWindows(configText(c.config), c.timings);
        // The update cycle runs inside the test's own waits, so the window is watched from a
        // timer that fires inside the cycle's waits as well.
        int midwayAlpha = -1;
        std::optional<quint32> midway;
        QElapsedTimer sinceFadeEnded;
        bool cycleWaitedPastFade = false;
        std::optional<quint32> atEnd;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &window, [&] {
            if (midwayAlpha < 0 && window.fade().alpha() >= 120) {
                midwayAlpha = window.fade().alpha();
                midway = serverOpacity(window);
            }
            if (!sinceFadeEnded.isValid() && window.fade().alpha() == 255) {
                sinceFadeEnded.start();
                cycleWaitedPastFade = !window.cycleEnded();
            }
            if (sinceFadeEnded.isValid() && sinceFadeEnded.elapsed() >= 200 && !atEnd) {
                atEnd = serverOpacity(window);
                watch.stop();
            }
        });
        watch.start(5);
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return atEnd.has_value(); }, 20000)) << c.name;
        // Midway the display server holds the step the fade had reached, or the one before it
        // while the window's repaint was still on its way.
        ASSERT_TRUE(midway) << c.name;
        EXPECT_GE(*midway, 0xFFFFFFFFu / 255 * quint32(midwayAlpha - WindowFadeIn::kStep)) << c.name;
        EXPECT_EQ(atEnd, 0xFFFFFFFFu) << c.name;
        EXPECT_TRUE(cycleWaitedPastFade) << c.name << ": the fade ended before the cycle did";
    }
}

} // namespace kaldoria::mainwindow
