#include "WindowFixture.h"

#include "TestFiles.h"

#include "platform/TerminateRequest.h"
#include "startup/InterfaceTexts.h"
#include "ui/skinapply/WindowApply.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace kaldoria::mainwindow {

QTemporaryDir* WindowFixture::s_skinRoot = nullptr;

namespace {

constexpr int kToolTimeoutMs = 60000;

QString languageText(const QString& header, const QString& suffix, const QString& newsUrl) {
    const std::pair<int, const char*> entries[] = {
        {1, "Unpacking"},        {3, "Client is up to date"}, {4, "Downloading"},
        {5, "Update done"},      {6, "Check done"},           {7, "Fetching the list"},
        {8, "Check every file"}, {9, "Start the game"},       {12, "Settings"},
        {13, "Language"},        {14, "Close after start"},   {15, "No update server"},
        {18, "No proxy"},        {20, "Game proxy"},          {21, "Proxy silent"},
        {22, "Drive"},           {23, "Check depth"},         {24, "Total: "},
        {25, "Client language"},
    };
    QString text = header + QLatin1Char('\n');
    if (!newsUrl.isEmpty())
        text += QStringLiteral("0=") + newsUrl + QLatin1Char('\n');
    for (const auto& [entry, value] : entries)
        text += QStringLiteral("%1=[%2 %3]\n").arg(entry).arg(QString::fromUtf8(value), suffix);
    return text;
}

} // namespace

QString WindowFixture::buildFile(const QString& name) {
    return qEnvironmentVariable("KALDORIA_BUILD_DIR") + QLatin1Char('/') + name;
}

bool WindowFixture::pack(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(buildFile(QStringLiteral("kaldoria-pack")), arguments);
    return tool.waitForFinished(kToolTimeoutMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

void WindowFixture::SetUpTestSuite() {
    if (s_skinRoot)
        return;
    s_skinRoot = new QTemporaryDir;
    ASSERT_TRUE(pack({QStringLiteral("demo-skin"), QStringLiteral("-o"), s_skinRoot->path()}));
    // The start button waits for the end of the update cycle.
    QFile parameters(s_skinRoot->filePath(QStringLiteral("MainWindow/Button_StartGame/parameters.txt")));
    ASSERT_TRUE(parameters.open(QIODevice::ReadWrite));
    const QByteArray text = parameters.readAll().replace("Enabled=true", "Enabled=false");
    parameters.resize(0);
    parameters.write(text);
}

void WindowFixture::SetUp() {
    platform::TerminateRequest::reset();
    platform::TerminateRequest::setEndProgramHook([] {});
    startup::InterfaceTexts.fill(QString());
    m_client = m_root.filePath(QStringLiteral("client"));
    QDir().mkpath(m_client);
    m_program = clientFile(QStringLiteral("Kaldoria"));
    writeClient(QStringLiteral("Kaldoria"), "launcher");
}

void WindowFixture::TearDown() {
    m_main.reset();
    platform::TerminateRequest::reset();
    platform::TerminateRequest::setEndProgramHook({});
}

QString WindowFixture::configText(const QString& extra, const QStringList& servers, const QString& newsUrl) {
    QString text = QStringLiteral("[config]\nusercan_changelanguage=true\nusercan_changecheckmethod=true\n"
                                  "usercan_changedrivetype=true\nusercan_changeproxy=true\n"
                                  "usercan_changeautoclose=true\n[updateservers]\n");
    for (const QString& url : servers)
        text += QStringLiteral("url=") + url + QLatin1Char('\n');
    return text + extra + QLatin1Char('\n') +
           languageText(QStringLiteral("[lang=1033:English]"), QStringLiteral("EN"), newsUrl) +
           languageText(QStringLiteral("[lang=1031:Deutsch]"), QStringLiteral("DE"), newsUrl);
}

TFMain::Timings WindowFixture::idleTimings() {
    TFMain::Timings timings;
    timings.mainTimer = 24 * 3600 * 1000;
    return timings;
}

void WindowFixture::loadConfiguration(const QString& configText) {
    const QString config = m_root.filePath(QStringLiteral("config.txt"));
    const QString stream = m_root.filePath(QStringLiteral("config.stream"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(configText.toUtf8());
    file.close();
    ASSERT_TRUE(pack({QStringLiteral("stream"), QStringLiteral("--skin"), s_skinRoot->path(),
                      QStringLiteral("--config"), config, QStringLiteral("-o"), stream}));
    QFile streamFile(stream);
    ASSERT_TRUE(streamFile.open(QIODevice::ReadOnly));
    QByteArray bytes = streamFile.readAll();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    m_config = std::make_unique<startup::tConfigData>();
    m_skin = std::make_unique<skin::TkucConfig>();
    ASSERT_EQ(m_skin->LoadWindows(buffer), skin::SkinReadResult::Ok);
    m_config->ParseConfig(buffer);
}

TFMain& WindowFixture::makeWindows(const QString& configText, TFMain::Timings timings, const QStringList& arguments) {
    loadConfiguration(configText);
    TFMain::Options options;
    options.timings = timings;
    options.makeNewsBrowser = [](QWidget* parent) -> NewsBrowser* { return new TextNewsBrowser(parent); };
    m_main = std::make_unique<TFMain>(*m_config, m_skin->MainWindow, nullptr, QStringList{m_program} + arguments,
                                      m_program, options);
    skin::SetDataToForm(m_skin->MainWindow, m_main->controls());
    m_settings = new settings::TFSettings(*m_config, m_skin->ConfigWindow, m_main.get());
    skin::SetDataToForm(m_skin->ConfigWindow, m_settings->controls());
    m_main->setSettingsWindow(m_settings);
    m_main->fillLanguageFolderBox();
    return *m_main;
}

QByteArray WindowFixture::readClient(const QString& relative) const {
    return testsupport::readFileBytes(clientFile(relative));
}

void WindowFixture::writeClient(const QString& relative, const QByteArray& bytes) const {
    ASSERT_TRUE(testsupport::writeFileBytes(clientFile(relative), bytes));
}

QStringList WindowFixture::settingsLines() const {
    QString text = QString::fromLocal8Bit(readClient(QStringLiteral("updater/Kaldoria.ini")));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace kaldoria::mainwindow
