#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace kaldoria::platform {

namespace {
constexpr int kConnectTimeoutMs = 1000;
const QByteArray kRaiseMessage = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(const QString& instanceName, QObject* parent)
    : QObject(parent), m_name(socketName(instanceName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& instanceName) {
    const QByteArray digest = QCryptographicHash::hash(instanceName.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("kaldoria-%1-%2").arg(uint(getuid())).arg(QString::fromLatin1(digest.left(16)));
}

bool SingleInstance::askRunningCopyToRaise() const {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kRaiseMessage);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim() {
    if (askRunningCopyToRaise())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket file left by a copy that crashed: nobody answered above, so take it over.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return true; // no socket to be had: run without the single-instance guard
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains(kRaiseMessage.trimmed()))
                    Q_EMIT raiseRequested();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace kaldoria::platform
