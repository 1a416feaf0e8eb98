#pragma once

#include "RecordingView.h"

#include "NginxServer.h"
#include "UpdateServerFolder.h"
#include "startup/tConfigData.h"
#include "startup/tDebugFile.h"
#include "update/TUpdateWorkflow.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace kaldoria::update {

// A client folder with a launcher file, an update server folder served by nginx on
// 127.0.0.1, and a workflow run against them with a recording view.
class WorkflowFixture : public ::testing::Test {
protected:
    // Texts of the test language, by entry.
    static QString text(int entry);

    void SetUp() override;
    void TearDown() override;

    QString clientFile(const QString& relative) const { return m_client + QLatin1Char('/') + relative; }
    QString serverFile(const QString& relative) const { return m_server + QLatin1Char('/') + relative; }
    QByteArray readClient(const QString& relative) const;
    void writeClient(const QString& relative, const QByteArray& bytes) const;

    // Publishes `folder` to the server and starts nginx when it is not running.
    void publish(const testsupport::UpdateServerFolder& folder);

    // The configuration text: the given update server lines, proxies and the test language.
    QString configText(const QStringList& serverUrls, const QString& extra = QString()) const;

    // Creates the workflow on `configText` with `arguments` after the program name, and
    // prepares it (the window's creation).
    TUpdateWorkflow& makeWorkflow(const QString& configText, const QStringList& arguments = {});
    // makeWorkflow with the nginx server, then the update cycle without the proxy choice.
    TUpdateWorkflow& runUpdate(const QStringList& arguments = {});

    // Requests that reached the server for files below it ("GET /a.dat.kdz" ...).
    QStringList requests(const QString& method = QStringLiteral("GET")) const;
    QStringList debugLines() const { return m_log ? m_log->ts : QStringList(); }

    // nginx's rate limit per connection ("100k"), set before publish(); none when empty.
    QString m_limitRate;

    QTemporaryDir m_root;
    QString m_client;
    QString m_server;
    QString m_program;
    std::unique_ptr<testsupport::NginxServer> m_nginx;
    RecordingView m_view;
    std::unique_ptr<startup::tDebugFile> m_log;
    std::unique_ptr<startup::tConfigData> m_config;
    std::unique_ptr<TUpdateWorkflow> m_workflow;
};

} // namespace kaldoria::update
