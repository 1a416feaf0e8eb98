#include "WindowFixture.h"

#include "NginxServer.h"
#include "UpdateServerFolder.h"

#include <QFileInfo>
#include <QMap>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace kaldoria::mainwindow {

namespace {

// What the one-file bar showed last while each status text was up: the bar and the status
// label are painted at once whenever they change, so their paints mark every state.
class OneFileBarWatch : public QObject {
public:
    explicit OneFileBarWatch(TFMain& window) : m_window(window), m_bar(window.controls().ProgressBar_OneFile) {
        m_bar->installEventFilter(this);
        window.Text_Status()->installEventFilter(this);
    }

    bool fullWhile(const QString& status) const { return m_last.value(status) == 1.0; }
    QStringList statuses() const { return m_last.keys(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_bar->max() > 0)
            m_last[m_window.Text_Status()->text()] = double(m_bar->position()) / m_bar->max();
        return QObject::eventFilter(watched, event);
    }

private:
    TFMain& m_window;
    controls::TXiProgressBar* m_bar;
    QMap<QString, double> m_last;
};

bool usable(const QWidget* button) {
    return button->isVisible() && button->isEnabled();
}

} // namespace

class TFMainUpdateTest : public WindowFixture {
protected:
    void TearDown() override {
        WindowFixture::TearDown();
        m_nginx.reset();
    }

    void publish(const testsupport::UpdateServerFolder& folder, const QString& limitRate = {}) {
        ASSERT_TRUE(folder.publish(m_server.path()));
        testsupport::NginxOptions options;
        options.root = m_server.path();
        options.limitRate = limitRate;
        m_nginx = std::make_unique<testsupport::NginxServer>(options);
        ASSERT_TRUE(m_nginx->start()) << m_nginx->errorText().toStdString();
    }

    // The message panel's button that runs the update again, when it shows one.
    static QPushButton* retryButton(TFMain& window) {
        for (QPushButton* button : window.MsgPanel()->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("Retry") && button->isVisibleTo(window.MsgPanel()))
                return button;
        }
        return nullptr;
    }

    // Waits past the period after which a notice closes itself.
    static void outlastNoticePeriod(const TFMain::Timings& timings) { QTest::qWait(timings.message.open * 6); }

    static TFMain::Timings fastTimings() {
        TFMain::Timings timings;
        timings.mainTimer = 0;
        timings.message = {1, 50};
        return timings;
    }

    QTemporaryDir m_server;
    std::unique_ptr<testsupport::NginxServer> m_nginx;
};

TEST_F(TFMainUpdateTest, CycleEndsWithTheStartButtonWhichStartsTheGameWithTheProxysSettings) {
    testsupport::UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\data\\world.dat"), "the new world");
    folder.setRequired({QStringLiteral("\\data\\world.dat")});
    publish(folder);
    QFile news(m_server.filePath(QStringLiteral("news.html")));
    ASSERT_TRUE(news.open(QIODevice::WriteOnly));
    news.write("<html><body><h1>Kaldoria news</h1></body></html>");
    news.close();

    QTcpServer proxy;
    ASSERT_TRUE(proxy.listen(QHostAddress::LocalHost, 0));
    writeClient(QStringLiteral("system/eu.ini"), "proxy settings");
    writeClient(QStringLiteral("system/kd.ini"), "old settings");
    writeClient(QStringLiteral("system/kd.exe"), "#!/bin/sh\necho \"$PWD $*\" > started.txt\n");
    QFile::setPermissions(clientFile(QStringLiteral("system/kd.exe")), QFile::ReadOwner | QFile::ExeOwner);

    TFMain::Timings timings;
    timings.mainTimer = 0;
    const QString extra =
        QStringLiteral("[gameproxys]\nuseproxy=true\nport=%1\nproxy=Eu|127.0.0.1|eu.ini\n").arg(proxy.serverPort());
    TFMain& window =
        makeWindows(configText(extra, {m_nginx->url()}, m_nginx->url() + QStringLiteral("news.html")), timings);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 60000));

    EXPECT_TRUE(window.WebPanel()->isVisible()) << "the news page loaded";
    EXPECT_TRUE(window.WebBrowser1()->isVisible());
    EXPECT_EQ(readClient(QStringLiteral("data/world.dat")), QByteArray("the new world"));
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Update done EN"));
    ASSERT_TRUE(window.Button_StartGame()->isEnabled());

    QTest::mouseClick(window.Button_StartGame(), Qt::LeftButton);
    EXPECT_EQ(readClient(QStringLiteral("system/kd.ini")), QByteArray("proxy settings"));
    const QString started = clientFile(QStringLiteral("system/started.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(started).size() > 0; }, 20000));
    EXPECT_TRUE(readClient(QStringLiteral("system/started.txt")).trimmed().endsWith("system eu.ini"));
}

// The settings window, opened while files are downloading, does not hold the update: every
// file arrives and is installed while it is open.
TEST_F(TFMainUpdateTest, DownloadsGoOnWhileTheSettingsWindowIsOpen) {
    testsupport::UpdateServerFolder folder;
    const QStringList names = {QStringLiteral("data/a.dat"), QStringLiteral("data/b.dat"),
                               QStringLiteral("data/c.dat")};
    for (qsizetype i = 0; i < names.size(); ++i) {
        folder.addFile(QLatin1Char('\\') + QString(names[i]).replace(QLatin1Char('/'), QLatin1Char('\\')),
                       testsupport::UpdateServerFolder::noise(600000, quint32(i + 1)));
    }
    publish(folder, QStringLiteral("300k"));
    const auto allInstalled = [&] {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (readClient(names[i]) != testsupport::UpdateServerFolder::noise(600000, quint32(i + 1)))
                return false;
        }
        return true;
    };

    TFMain::Timings timings;
    timings.mainTimer = 0;
    TFMain& window = makeWindows(configText({}, {m_nginx->url()}), timings);
    bool installedWhileOpen = false;
    bool opened = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (opened || !window.Text_Status()->text().contains(QStringLiteral("a.dat")))
            return;
        opened = true;
        QTimer::singleShot(0, m_settings, [&] {
            installedWhileOpen = QTest::qWaitFor(allInstalled, 60000);
            QTest::mouseClick(m_settings->Button_Ok(), Qt::LeftButton);
        });
        window.Button_ConfigClick();
    });
    poll.start(5);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 90000));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(installedWhileOpen);
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Update done EN"));
}

// The update server stops while files are downloading: the window does not claim that the
// client is up to date. It keeps a message naming the failures until the player closes it,
// offers to try again, and lets the full check run at once.
TEST_F(TFMainUpdateTest, ServerGoneDuringTheUpdateLeavesAMessageThatStaysWithRetryAndTheFullCheck) {
    testsupport::UpdateServerFolder folder;
    for (int i = 0; i < 5; ++i)
        folder.addFile(QStringLiteral("\\data\\f%1.dat").arg(i),
                       testsupport::UpdateServerFolder::noise(400000, quint32(i)));
    publish(folder, QStringLiteral("200k"));

    const TFMain::Timings timings = fastTimings();
    TFMain& window = makeWindows(configText({}, {m_nginx->url()}), timings);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (m_nginx && window.Text_Status()->text().contains(QStringLiteral("f0.dat")))
            m_nginx.reset();
    });
    poll.start(5);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 120000));
    ASSERT_FALSE(m_nginx) << "the server was stopped during the update";

    const int failed = window.workflow().failedFiles();
    ASSERT_GT(failed, 0);
    EXPECT_NE(window.Text_Status()->text(), QStringLiteral("Update done EN"));
    EXPECT_TRUE(window.Text_Status()->text().contains(QStringLiteral("could not be updated")));
    EXPECT_FALSE(window.controls().Text_StatusTotal->text().contains(QStringLiteral("100%")))
        << window.controls().Text_StatusTotal->text().toStdString();

    outlastNoticePeriod(timings);
    EXPECT_TRUE(window.MsgPanel()->isVisible()) << "the message stays until it is closed";
    const QString message = window.MsgPanel()->MsgLabel()->text();
    EXPECT_TRUE(message.startsWith(QString::number(failed) + QStringLiteral(" file"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("\\data\\f"))) << "names a failed file: " << message.toStdString();
    EXPECT_NE(retryButton(window), nullptr);
    EXPECT_TRUE(window.controls().Button_CheckAllFiles->isVisible());
    EXPECT_TRUE(window.controls().Button_CheckAllFiles->isEnabled());

    QTest::mouseClick(window.MsgPanel()->MsgCloseBtn(), Qt::LeftButton);
    EXPECT_FALSE(window.MsgPanel()->isVisible());
}

// A file that the server lacks fails; once it is there, the message's retry runs the required
// check and update again in the same launcher and the client ends up to date.
TEST_F(TFMainUpdateTest, RetryAfterAFailedFileRunsTheUpdateAgain) {
    testsupport::UpdateServerFolder folder;
    folder.addFile(QStringLiteral("\\data\\kept.dat"), "kept");
    folder.addFile(QStringLiteral("\\data\\late.dat"), "arrives late");
    publish(folder);
    ASSERT_TRUE(QFile::remove(m_server.filePath(QStringLiteral("data/late.dat.kdz"))));

    TFMain& window = makeWindows(configText({}, {m_nginx->url()}), fastTimings());
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 60000));
    EXPECT_EQ(readClient(QStringLiteral("data/kept.dat")), QByteArray("kept"));
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("1 file could not be updated."));
    EXPECT_EQ(window.MsgPanel()->MsgLabel()->text(), QStringLiteral("1 file could not be updated.\n\\data\\late.dat"));

    ASSERT_TRUE(folder.publish(m_server.path()));
    QPushButton* retry = retryButton(window);
    ASSERT_NE(retry, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return retry->isVisible(); }));
    QTest::mouseClick(retry, Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window.Text_Status()->text() == QStringLiteral("Update done EN"); }, 60000))
        << window.Text_Status()->text().toStdString();
    EXPECT_EQ(readClient(QStringLiteral("data/late.dat")), QByteArray("arrives late"));
    EXPECT_EQ(window.controls().Text_StatusTotal->text(), QStringLiteral("Total:  EN100%"));
    EXPECT_FALSE(window.MsgPanel()->isVisible());
}

// The downloader serves one check or update at a time: the check-all button cannot be used
// while the start-up update runs (a click then changes nothing), and it is usable again after
// the update and after every full check.
TEST_F(TFMainUpdateTest, CheckFilesIsUsableOnlyBetweenChecksAndUpdates) {
    testsupport::UpdateServerFolder folder;
    const QByteArray big = testsupport::UpdateServerFolder::noise(600000, 7);
    folder.addFile(QStringLiteral("\\data\\big.dat"), big);
    folder.addFile(QStringLiteral("\\data\\other.dat"), "not required");
    folder.setRequired({QStringLiteral("\\data\\big.dat")});
    publish(folder, QStringLiteral("300k"));
    writeClient(QStringLiteral("data/other.dat"), "old");

    TFMain::Timings timings;
    timings.mainTimer = 0;
    TFMain& window = makeWindows(configText({}, {m_nginx->url()}), timings);
    controls::TImageButton* checkAll = window.Button_CheckAllFiles();
    bool seenDuringDownload = false;
    bool usableDuringUpdate = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (window.cycleEnded() || !window.Text_Status()->text().contains(QStringLiteral("big.dat")))
            return;
        usableDuringUpdate = usableDuringUpdate || usable(checkAll);
        if (!seenDuringDownload) {
            seenDuringDownload = true;
            QTest::mouseClick(checkAll, Qt::LeftButton);
        }
    });
    poll.start(5);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 90000));
    poll.stop();
    EXPECT_TRUE(seenDuringDownload);
    EXPECT_FALSE(usableDuringUpdate);
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Update done EN"));
    EXPECT_EQ(readClient(QStringLiteral("data/big.dat")), big);
    EXPECT_EQ(readClient(QStringLiteral("data/other.dat")), QByteArray("old")) << "no full check ran";

    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(usable(checkAll)) << "round " << round;
        QTest::mouseClick(checkAll, Qt::LeftButton);
        EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Check done EN")) << "round " << round;
        EXPECT_EQ(readClient(QStringLiteral("data/other.dat")), QByteArray("not required"));
    }
    EXPECT_TRUE(usable(checkAll));
}

// Small files finish between two progress reports; the one-file bar still shows each of them
// whole while it is unpacked.
TEST_F(TFMainUpdateTest, OneFileBarIsFullWhileEachFileUnpacks) {
    testsupport::UpdateServerFolder folder;
    QStringList required;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("\\data\\small%1.dat").arg(i);
        folder.addFile(name, testsupport::UpdateServerFolder::noise(3000, quint32(i + 1)));
        required << name;
    }
    folder.setRequired(required);
    publish(folder);

    TFMain::Timings timings;
    timings.mainTimer = 0;
    TFMain& window = makeWindows(configText({}, {m_nginx->url()}), timings);
    OneFileBarWatch watch(window);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cycleEnded(); }, 60000));
    EXPECT_EQ(window.Text_Status()->text(), QStringLiteral("Update done EN"));

    int unpacked = 0;
    for (const QString& status : watch.statuses()) {
        if (!status.startsWith(QStringLiteral("Unpacking EN")) || status.endsWith(QStringLiteral("updater.lst")))
            continue;
        ++unpacked;
        EXPECT_TRUE(watch.fullWhile(status)) << status.toStdString();
    }
    EXPECT_GT(unpacked, 0);
}

} // namespace kaldoria::mainwindow
