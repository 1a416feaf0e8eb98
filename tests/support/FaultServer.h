#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace kaldoria::testsupport {

// Our fault-injecting HTTP server (fault_server.py) serving one file on 127.0.0.1 at a port
// it chooses; `arguments` select the fault (see the script: --fault, --times, --range-first,
// --connection, --stall, --length, --rate). Stopped on destruction.
class FaultServer {
public:
    FaultServer(const QString& file, const QStringList& arguments);
    ~FaultServer();

    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    // Starts the server and reads its port; false when it did not come up.
    bool start();

    quint16 port() const { return m_port; }
    QString url(const QString& path = QStringLiteral("file.bin")) const;

    // The requests received so far, one "REQ method path range=... ua=..." line each.
    QStringList requests();

private:
    QStringList m_arguments;
    QProcess m_process;
    QString m_output;
    quint16 m_port = 0;
};

} // namespace kaldoria::testsupport
