#include "LauncherFixture.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace kaldoria::app {

namespace {

constexpr int kRunTimeoutMs = 120000;

const char* const kLanguage = "[lang=1033:English]\n"
                              "1=[Unpacking ]\n2=[Hashed ]\n3=[Client is up to date]\n4=[Updating ]\n"
                              "5=[Update done]\n6=[Full check done]\n7=[Fetching the list]\n"
                              "15=[No update server]\n18=[No proxy]\n21=[Proxy silent]\n24=[Total: ]\n";

} // namespace

QString LauncherFixture::buildFile(const QString& name) {
    return qEnvironmentVariable("KALDORIA_BUILD_DIR") + QLatin1Char('/') + name;
}

bool LauncherFixture::pack(const QStringList& arguments) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(buildFile(QStringLiteral("kaldoria-pack")), arguments);
    return tool.waitForFinished(kRunTimeoutMs) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

void LauncherFixture::SetUp() {
    m_client = m_root.filePath(QStringLiteral("client"));
    m_server = m_root.filePath(QStringLiteral("server"));
    m_skin = m_root.filePath(QStringLiteral("skin"));
    QDir().mkpath(m_client);
    QDir().mkpath(m_server);
    ASSERT_TRUE(pack({QStringLiteral("demo-skin"), QStringLiteral("-o"), m_skin}));
}

QByteArray LauncherFixture::readClient(const QString& relative) const {
    return testsupport::readFileBytes(clientFile(relative));
}

void LauncherFixture::writeClient(const QString& relative, const QByteArray& bytes) const {
    ASSERT_TRUE(testsupport::writeFileBytes(clientFile(relative), bytes));
}

void LauncherFixture::publish(const testsupport::UpdateServerFolder& folder) {
    ASSERT_TRUE(folder.publish(m_server));
    startServer();
}

void LauncherFixture::publishWithTool(const QMap<QString, QByteArray>& files, const QDateTime& modified,
                                      const QStringList& required, const QStringList& deletion) {
    const QString source = m_root.filePath(QStringLiteral("source"));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = source + QLatin1Char('/') + it.key();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(it.value());
        file.flush(); // a later flush would give the file the time of writing
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    QStringList arguments = {QStringLiteral("publish"), source, QStringLiteral("-o"), m_server};
    for (const QString& name : required)
        arguments << QStringLiteral("--required") << name;
    for (const QString& name : deletion)
        arguments << QStringLiteral("--delete") << name;
    ASSERT_TRUE(pack(arguments));
    startServer();
}

void LauncherFixture::startServer() {
    if (!m_nginx) {
        testsupport::NginxOptions options = m_nginxOptions;
        options.root = m_server;
        m_nginx = std::make_unique<testsupport::NginxServer>(options);
        ASSERT_TRUE(m_nginx->start()) << m_nginx->errorText().toStdString();
    }
}

QString LauncherFixture::configText(QStringList servers, const QString& extra) const {
    if (servers.isEmpty() && m_nginx)
        servers << m_nginx->url();
    QString text = QStringLiteral("[config]\ninstance=KaldoriaTest-") + QFileInfo(m_root.path()).fileName() +
                   QStringLiteral("\nusercan_changecheckmethod=true\n[updateservers]\n");
    for (const QString& url : servers)
        text += QStringLiteral("url=") + url + QLatin1Char('\n');
    return text + extra + QLatin1Char('\n') + QString::fromUtf8(kLanguage);
}

void LauncherFixture::makeLauncher(const QString& configText, QString target) {
    if (target.isEmpty())
        target = clientFile(QStringLiteral("Kaldoria"));
    const QString config = m_root.filePath(QStringLiteral("config.txt"));
    const QString stream = m_root.filePath(QStringLiteral("config.stream"));
    const QString package = m_root.filePath(QStringLiteral("config.pack"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(configText.toUtf8());
    file.close();
    ASSERT_TRUE(pack({QStringLiteral("stream"), QStringLiteral("--skin"), m_skin, QStringLiteral("--config"), config,
                      QStringLiteral("-o"), stream}));
    ASSERT_TRUE(pack({QStringLiteral("package"), stream, QStringLiteral("-o"), package}));
    ASSERT_TRUE(pack({QStringLiteral("attach"), buildFile(QStringLiteral("Kaldoria")), QStringLiteral("-o"), target,
                      QStringLiteral("--resource"), QStringLiteral("blank=") + package}));
    QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner);
}

LauncherFixture::Run LauncherFixture::run(const QStringList& arguments) {
    QProcess launcher;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC0"));
    for (const QString& variable : m_environment)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    launcher.setProcessEnvironment(environment);
    launcher.setWorkingDirectory(m_client);
    launcher.setProcessChannelMode(QProcess::MergedChannels);
    launcher.start(clientFile(QStringLiteral("Kaldoria")), arguments);
    Run result;
    if (!launcher.waitForFinished(kRunTimeoutMs)) {
        launcher.kill();
        launcher.waitForFinished();
    }
    result.output = launcher.readAll();
    result.exitCode = launcher.exitStatus() == QProcess::NormalExit ? launcher.exitCode() : -1;
    return result;
}

QStringList LauncherFixture::requests(const QString& method) const {
    QStringList found;
    if (!m_nginx)
        return found;
    for (const QString& line : m_nginx->accessLog()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() >= 2 && fields.at(0) == method)
            found << fields.at(1);
    }
    return found;
}

qint64 LauncherFixture::bytesSent(const QString& path) const {
    qint64 bytes = 0;
    if (!m_nginx)
        return bytes;
    for (const QString& line : m_nginx->accessLog()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() >= 5 && fields.at(1) == path)
            bytes += fields.at(4).toLongLong();
    }
    return bytes;
}

} // namespace kaldoria::app
