#include "LocalPorts.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace kaldoria::testsupport {

quint16 unusedLocalPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

bool acceptsConnections(quint16 port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

} // namespace kaldoria::testsupport
