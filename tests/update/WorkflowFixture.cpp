#include "WorkflowFixture.h"

#include "TestFiles.h"

#include "platform/TerminateRequest.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kaldoria::update {

namespace {

const std::map<int, const char*> kTexts = {
    {1, "Unpacking "},        {2, "Hashed "},           {3, "Client is up to date"},
    {4, "Updating "},         {5, "Update done"},       {6, "Full check done"},
    {7, "Fetching the list"}, {15, "No update server"}, {18, "No proxy"},
    {21, "Proxy silent"},     {24, "Total: "},
};

} // namespace

QString WorkflowFixture::text(int entry) {
    return QString::fromUtf8(kTexts.at(entry));
}

void WorkflowFixture::SetUp() {
    platform::TerminateRequest::reset();
    m_client = m_root.filePath(QStringLiteral("client"));
    m_server = m_root.filePath(QStringLiteral("server"));
    QDir().mkpath(m_client);
    QDir().mkpath(m_server);
    m_program = clientFile(QStringLiteral("Kaldoria"));
    writeClient(QStringLiteral("Kaldoria"), "old launcher");
}

void WorkflowFixture::TearDown() {
    m_workflow.reset();
    platform::TerminateRequest::reset();
    platform::TerminateRequest::setEndProgramHook({});
}

QByteArray WorkflowFixture::readClient(const QString& relative) const {
    return testsupport::readFileBytes(clientFile(relative));
}

void WorkflowFixture::writeClient(const QString& relative, const QByteArray& bytes) const {
    ASSERT_TRUE(testsupport::writeFileBytes(clientFile(relative), bytes));
}

void WorkflowFixture::publish(const testsupport::UpdateServerFolder& folder) {
    ASSERT_TRUE(folder.publish(m_server));
    if (!m_nginx) {
        testsupport::NginxOptions options;
        options.root = m_server;
        options.limitRate = m_limitRate;
        m_nginx = std::make_unique<testsupport::NginxServer>(options);
        ASSERT_TRUE(m_nginx->start()) << m_nginx->errorText().toStdString();
    }
}

QString WorkflowFixture::configText(const QStringList& serverUrls, const QString& extra) const {
    QString text = QStringLiteral("[config]\nusercan_changecheckmethod=true\nusercan_changedrivetype=true\n"
                                  "usercan_changeproxy=true\nusercan_changeautoclose=true\n[updateservers]\n");
    for (const QString& url : serverUrls)
        text += QStringLiteral("url=") + url + QLatin1Char('\n');
    text += extra + QStringLiteral("\n[lang=1033:English]\n");
    for (const auto& [entry, value] : kTexts)
        text += QString::number(entry) + QStringLiteral("=[") + QString::fromUtf8(value) + QStringLiteral("]\n");
    return text;
}

TUpdateWorkflow& WorkflowFixture::makeWorkflow(const QString& configText, const QStringList& arguments) {
    m_log = std::make_unique<startup::tDebugFile>(QString());
    m_log->enabled = true;
    m_config = std::make_unique<startup::tConfigData>();
    QByteArray bytes = configText.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    m_config->ParseConfig(buffer);
    m_workflow = std::make_unique<TUpdateWorkflow>(m_view, *m_config, m_log.get(), QStringList{m_program} + arguments,
                                                   m_program);
    m_workflow->prepare();
    return *m_workflow;
}

TUpdateWorkflow& WorkflowFixture::runUpdate(const QStringList& arguments) {
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url()}), arguments);
    workflow.RunUpdate();
    return workflow;
}

QStringList WorkflowFixture::requests(const QString& method) const {
    QStringList found;
    if (!m_nginx)
        return found;
    for (const QString& line : m_nginx->accessLog()) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() >= 2 && fields.at(0) == method)
            found << fields.at(1);
    }
    found.removeDuplicates();
    return found;
}

} // namespace kaldoria::update
