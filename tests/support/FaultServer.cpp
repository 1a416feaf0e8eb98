#include "FaultServer.h"

#include "PythonServerProcess.h"

namespace kaldoria::testsupport {

FaultServer::FaultServer(const QString& file, const QStringList& arguments)
    : m_arguments(QStringList{QStringLiteral(KALDORIA_FAULT_SERVER), QStringLiteral("--file"), file} + arguments) {}

FaultServer::~FaultServer() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool FaultServer::start() {
    m_port = startPythonServer(m_process, m_arguments);
    return m_port != 0;
}

QString FaultServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
}

QStringList FaultServer::requests() {
    while (m_process.waitForReadyRead(20))
        ;
    m_output += QString::fromUtf8(m_process.readAllStandardOutput());
    return m_output.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace kaldoria::testsupport
