#pragma once

#include <QProcess>
#include <QString>

namespace kaldoria::testsupport {

// Python's own file server (python3 -m http.server) on one folder at 127.0.0.1 and a port
// chosen at run time: it offers no byte ranges and answers every range request with the
// whole file, as some servers, proxies and CDNs do. Stopped on destruction.
class PlainHttpServer {
public:
    explicit PlainHttpServer(QString folder);
    ~PlainHttpServer();

    PlainHttpServer(const PlainHttpServer&) = delete;
    PlainHttpServer& operator=(const PlainHttpServer&) = delete;

    // Starts the server and waits until it accepts connections; false when it did not.
    bool start();

    // "http://127.0.0.1:PORT/" followed by `path`.
    QString url(const QString& path = {}) const;

    // The requests made with `method` ("GET", "HEAD"), read from the server's log once it
    // holds at least `lines` requests (it logs just after each answer) or after 5 s.
    int count(const QString& method, int lines);

private:
    QString m_folder;
    QProcess m_process;
    QString m_log;
    quint16 m_port = 0;
};

} // namespace kaldoria::testsupport
