#include "NginxServer.h"

#include "LocalPorts.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <unistd.h>

namespace kaldoria::testsupport {

namespace {
constexpr int kStartAttempts = 3;
constexpr int kReadyWaitMs = 5000;
} // namespace

NginxServer::NginxServer(NginxOptions options) : m_options(std::move(options)) {}

NginxServer::~NginxServer() {
    stop();
}

QString NginxServer::url(const QString& path) const {
    const QString scheme = m_options.certFile.isEmpty() ? QStringLiteral("http") : QStringLiteral("https");
    return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme).arg(m_port).arg(path);
}

QStringList NginxServer::accessLog() const {
    QFile log(m_prefix.filePath(QStringLiteral("access.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList NginxServer::accessLog(qsizetype lines) const {
    QStringList log = accessLog();
    for (int waited = 0; log.size() < lines && waited < kReadyWaitMs; waited += 10) {
        QThread::msleep(10);
        log = accessLog();
    }
    return log;
}

void NginxServer::clearAccessLog() const {
    QFile::resize(m_prefix.filePath(QStringLiteral("access.log")), 0);
}

void NginxServer::writeConfig() const {
    const QString prefix = m_prefix.path();
    QString server = QStringLiteral("listen 127.0.0.1:%1%2;\n")
                         .arg(m_port)
                         .arg(m_options.certFile.isEmpty() ? QString()
                              : m_options.http2            ? QStringLiteral(" ssl http2")
                                                           : QStringLiteral(" ssl"));
    if (!m_options.certFile.isEmpty())
        server +=
            QStringLiteral("ssl_certificate %1;\nssl_certificate_key %2;\n").arg(m_options.certFile, m_options.keyFile);
    if (!m_options.limitRate.isEmpty())
        server += QStringLiteral("limit_rate %1;\n").arg(m_options.limitRate);
    server += QStringLiteral("root %1;\nlocation / { }\n%2\n").arg(m_options.root, m_options.locations);

    QString config;
    if (geteuid() == 0)
        config += QStringLiteral("user root;\n"); // workers of root drop to nobody, who cannot read private folders
    config +=
        QStringLiteral("worker_processes 1;\npid %1/nginx.pid;\nerror_log %1/error.log;\n"
                       "events { worker_connections 512; }\nhttp {\n"
                       "log_format kaldoria '$request_method $uri \"$http_range\" $status $body_bytes_sent "
                       "$connection \"$http_user_agent\"';\n"
                       "access_log %1/access.log kaldoria;\n"
                       "client_body_temp_path %1/tmp/body;\nproxy_temp_path %1/tmp/proxy;\n"
                       "fastcgi_temp_path %1/tmp/fastcgi;\nuwsgi_temp_path %1/tmp/uwsgi;\nscgi_temp_path %1/tmp/scgi;\n"
                       "default_type application/octet-stream;\nsendfile on;\nkeepalive_requests 10000;\n"
                       "server {\n%2}\n}\n")
            .arg(prefix, server);
    QFile file(m_prefix.filePath(QStringLiteral("nginx.conf")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(config.toUtf8());
}

bool NginxServer::startOnce() {
    m_port = m_options.port != 0 ? m_options.port : unusedLocalPort();
    writeConfig();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("nginx"), {QStringLiteral("-p"), m_prefix.path(), QStringLiteral("-e"),
                                              m_prefix.filePath(QStringLiteral("error.log")), QStringLiteral("-c"),
                                              m_prefix.filePath(QStringLiteral("nginx.conf")), QStringLiteral("-g"),
                                              QStringLiteral("daemon off;")});
    if (!m_process.waitForStarted()) {
        m_error = m_process.errorString();
        return false;
    }
    for (int waited = 0; waited < kReadyWaitMs; waited += 20) {
        if (m_process.state() != QProcess::Running)
            break;
        if (acceptsConnections(m_port))
            return true;
        QThread::msleep(20);
    }
    m_process.waitForFinished(1000);
    m_error = QString::fromUtf8(m_process.readAll());
    stop();
    return false;
}

bool NginxServer::start() {
    if (!m_prefix.isValid() || !QDir(m_prefix.path()).mkpath(QStringLiteral("tmp"))) {
        m_error = QStringLiteral("no prefix folder");
        return false;
    }
    // Another program may take the chosen port between choosing and listening: try again.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (startOnce())
            return true;
    }
    return false;
}

void NginxServer::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

} // namespace kaldoria::testsupport
