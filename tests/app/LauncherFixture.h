#pragma once

#include "NginxServer.h"
#include "UpdateServerFolder.h"

#include <QDateTime>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace kaldoria::app {

// The built program in a client folder, with the demo skin and a configuration naming a
// local update server (nginx on 127.0.0.1), run headless as a user's script would run it.
class LauncherFixture : public ::testing::Test {
protected:
    struct Run {
        int exitCode = -1;
        QByteArray output;
    };

    void SetUp() override;

    QString clientFile(const QString& relative) const { return m_client + QLatin1Char('/') + relative; }
    QString serverFile(const QString& relative) const { return m_server + QLatin1Char('/') + relative; }
    QByteArray readClient(const QString& relative) const;
    void writeClient(const QString& relative, const QByteArray& bytes) const;

    // Publishes the folder and starts nginx on it (once).
    void publish(const testsupport::UpdateServerFolder& folder);
    // Writes `files` (relative path, content) into a source client folder with the date
    // `modified`, publishes it with `kaldoria-pack publish` and starts nginx (once).
    void publishWithTool(const QMap<QString, QByteArray>& files, const QDateTime& modified,
                         const QStringList& required = {}, const QStringList& deletion = {});
    void startServer();
    // The configuration text naming these update servers (the nginx server by default).
    QString configText(QStringList servers = {}, const QString& extra = QString()) const;
    // Makes the launcher at `target` (the client's "Kaldoria" by default) with this configuration.
    void makeLauncher(const QString& configText, QString target = QString());
    // Runs the client's launcher with `arguments`, in the client folder.
    Run run(const QStringList& arguments);

    // Paths asked for with `method` that reached the server.
    QStringList requests(const QString& method = QStringLiteral("GET")) const;
    // Body bytes the server sent for `path`, in all its answers.
    qint64 bytesSent(const QString& path) const;

    static QString buildFile(const QString& name);
    static bool pack(const QStringList& arguments);

    // nginx serves HTTPS with this certificate when set before publish().
    testsupport::NginxOptions m_nginxOptions;
    // Extra environment of the launcher's process.
    QStringList m_environment;

    QTemporaryDir m_root;
    QString m_client;
    QString m_server;
    QString m_skin;
    std::unique_ptr<testsupport::NginxServer> m_nginx;
};

} // namespace kaldoria::app
