#include "PlainHttpServer.h"

#include "LocalPorts.h"

#include <QThread>

namespace kaldoria::testsupport {

namespace {
constexpr int kWaitMs = 5000;
} // namespace

PlainHttpServer::PlainHttpServer(QString folder) : m_folder(std::move(folder)) {}

PlainHttpServer::~PlainHttpServer() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(kWaitMs);
}

bool PlainHttpServer::start() {
    m_port = unusedLocalPort();
    m_process.setReadChannel(QProcess::StandardError);
    m_process.start(QStringLiteral("python3"),
                    {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"),
                     QStringLiteral("127.0.0.1"), QString::number(m_port), QStringLiteral("--directory"), m_folder});
    for (int waited = 0; waited < kWaitMs && m_process.state() != QProcess::NotRunning; waited += 20) {
        if (acceptsConnections(m_port))
            return true;
        QThread::msleep(20);
    }
    return false;
}

QString PlainHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
}

int PlainHttpServer::count(const QString& method, int lines) {
    // Each logged request reads '... "METHOD /path HTTP/1.1" status -'.
    for (int waited = 0; m_log.count(QStringLiteral(" HTTP/1.")) < lines && waited < kWaitMs; waited += 50) {
        m_process.waitForReadyRead(50);
        m_log += QString::fromUtf8(m_process.readAllStandardError());
    }
    return int(m_log.count(QLatin1Char('"') + method + QLatin1Char(' ')));
}

} // namespace kaldoria::testsupport
