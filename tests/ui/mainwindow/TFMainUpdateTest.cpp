#include "WindowFixture.h"

#include "NginxServer.h"
#include "UpdateServerFolder.h"

#include <QFileInfo>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace kaldoria::mainwindow {

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

} // namespace kaldoria::mainwindow
