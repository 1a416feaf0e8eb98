#include "BadServer.h"

#include "PythonServerProcess.h"

#include <QFile>
#include <QJsonDocument>

namespace kaldoria::hardening {

BadServer::BadServer(const QString& root, const QJsonObject& rules, const Tls& tls)
    : m_root(root), m_rules(rules), m_tls(tls) {}

BadServer::~BadServer() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool BadServer::start() {
    const QString rulesFile = m_folder.filePath(QStringLiteral("rules.json"));
    QFile rules(rulesFile);
    if (!rules.open(QIODevice::WriteOnly))
        return false;
    rules.write(QJsonDocument(m_rules).toJson());
    rules.close();
    QStringList arguments{QStringLiteral(KALDORIA_BAD_SERVER),
                          QStringLiteral("--root"),
                          m_root,
                          QStringLiteral("--rules"),
                          rulesFile,
                          QStringLiteral("--log"),
                          m_folder.filePath(QStringLiteral("requests.log"))};
    if (!m_tls.certFile.isEmpty())
        arguments << QStringLiteral("--cert") << m_tls.certFile << QStringLiteral("--key") << m_tls.keyFile;
    m_port = testsupport::startPythonServer(m_process, arguments);
    return m_port != 0;
}

QString BadServer::url() const {
    const QString scheme = m_tls.certFile.isEmpty() ? QStringLiteral("http") : QStringLiteral("https");
    return QStringLiteral("%1://127.0.0.1:%2/").arg(scheme).arg(m_port);
}

QStringList BadServer::gets() {
    QFile log(m_folder.filePath(QStringLiteral("requests.log")));
    QStringList paths;
    if (!log.open(QIODevice::ReadOnly))
        return paths;
    for (const QString& line : QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u' ');
        if (fields.size() >= 3 && fields.at(0) == u"REQ" && fields.at(1) == u"GET")
            paths << fields.at(2);
    }
    return paths;
}

} // namespace kaldoria::hardening
