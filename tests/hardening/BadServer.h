#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kaldoria::hardening {

// The scripted bad update server (bad_server.py) serving a folder on 127.0.0.1 at a port it
// chooses. `rules` map a request path (or "*") to a fault, as the script describes; with a
// certificate and key it speaks HTTPS. Stopped on destruction.
class BadServer {
public:
    struct Tls {
        QString certFile;
        QString keyFile;
    };

    BadServer(const QString& root, const QJsonObject& rules, const Tls& tls = {});
    ~BadServer();

    BadServer(const BadServer&) = delete;
    BadServer& operator=(const BadServer&) = delete;

    // Starts the server and reads its port; false when it did not come up.
    bool start();

    // The base address ("http://127.0.0.1:PORT/", or https).
    QString url() const;

    // The paths asked for with GET so far.
    QStringList gets();

private:
    QString m_root;
    QJsonObject m_rules;
    Tls m_tls;
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace kaldoria::hardening
