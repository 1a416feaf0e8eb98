#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kaldoria::testsupport {

struct NginxOptions {
    QString root{};      // folder served at "/"
    QString limitRate{}; // nginx limit_rate per connection ("20m"); empty for none
    QString certFile{};  // with keyFile: serve HTTPS with this certificate chain
    QString keyFile{};
    bool http2 = false;  // with a certificate: offer HTTP/2
    QString locations{}; // more location blocks, e.g. "location = /a { return 301 /b; }"
    quint16 port = 0;    // listen here (a server that takes over from a stopped one); 0: a free port
};

// nginx serving one folder on 127.0.0.1 at a port chosen at run time, with its own
// configuration, prefix and temporary folders; stopped on destruction. Each request is
// logged as: method uri "range" status body-bytes connection-number "user-agent".
class NginxServer {
public:
    explicit NginxServer(NginxOptions options);
    ~NginxServer();

    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Starts nginx and waits until it accepts connections; false with errorText() when it
    // could not be started.
    bool start();
    QString errorText() const { return m_error; }

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:PORT/" (or https), followed by `path`.
    QString url(const QString& path = {}) const;

    // The access log's lines so far.
    QStringList accessLog() const;
    // The access log once it holds at least `lines` lines (nginx logs a request just after
    // its last byte went out, so a client may finish first); what is there after 5 s.
    QStringList accessLog(qsizetype lines) const;
    // Empties the access log, so that it shows the requests of the next run only (nginx
    // appends to it).
    void clearAccessLog() const;

private:
    bool startOnce();
    void writeConfig() const;
    void stop();

    NginxOptions m_options;
    QTemporaryDir m_prefix;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace kaldoria::testsupport
