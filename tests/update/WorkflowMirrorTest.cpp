#include "WorkflowFixture.h"

#include <QDir>
#include <QTemporaryDir>

using kaldoria::testsupport::NginxServer;
using kaldoria::testsupport::UpdateServerFolder;

namespace kaldoria::update {

namespace {

UpdateServerFolder clientFiles(char fill) {
    UpdateServerFolder folder;
    for (int i = 0; i < 8; ++i)
        folder.addFile(QStringLiteral("\\data\\part%1.pak").arg(i), QByteArray(40000 + i, fill));
    return folder;
}

// GET requests in a server's access log for paths that contain `part`.
qsizetype gets(const NginxServer& server, const QString& part) {
    return server.accessLog().filter(QStringLiteral("GET ")).filter(part).size();
}

} // namespace

// The list comes from the server the configuration's selection gives, as with one server, and
// the packed files come from it and from every other server that answered the probe.
class WorkflowMirrorTest : public WorkflowFixture {
protected:
    // A second update server: `folder` published and served by nginx of its own.
    void startMirror(const UpdateServerFolder& folder) {
        ASSERT_TRUE(m_mirrorFolder.isValid());
        ASSERT_TRUE(folder.publish(m_mirrorFolder.path()));
        m_mirror = std::make_unique<NginxServer>(testsupport::NginxOptions{.root = m_mirrorFolder.path()});
        ASSERT_TRUE(m_mirror->start()) << m_mirror->errorText().toStdString();
    }
    void expectClientFiles(char fill) const {
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(readClient(QStringLiteral("data/part%1.pak").arg(i)), QByteArray(40000 + i, fill)) << i;
    }

    QTemporaryDir m_mirrorFolder;
    std::unique_ptr<NginxServer> m_mirror;
};

TEST_F(WorkflowMirrorTest, ListFromTheSelectedServerFilesFromEveryAnsweringOne) {
    const QString down = QStringLiteral("http://127.0.0.1:1/");
    struct Case {
        const char* name;
        bool downFirst; // a server that does not answer is configured first
        const char* mode;
        bool listFromFirst; // the first answering server gives the list; else either may
    };
    const Case cases[] = {
        {"first address", false, "", true},
        {"the first is down", true, "", true},
        {"fastest answer", true, "useping=true\n", false},
        {"random", false, "randomselect=true\n", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        m_nginx.reset();
        m_mirror.reset();
        QDir(clientFile(QStringLiteral("data"))).removeRecursively();
        publish(clientFiles('a'));
        ASSERT_NO_FATAL_FAILURE(startMirror(clientFiles('a')));
        QStringList servers{m_nginx->url(), m_mirror->url()};
        if (test.downFirst)
            servers.prepend(down);
        TUpdateWorkflow& workflow =
            makeWorkflow(configText(servers, QStringLiteral("[updateservers]\n") + QLatin1String(test.mode)));
        workflow.RunUpdate();

        EXPECT_EQ(workflow.failedFiles(), 0);
        expectClientFiles('a');
        if (test.listFromFirst) {
            EXPECT_EQ(workflow.urlMain(), m_nginx->url());
        }
        const bool fromFirst = workflow.urlMain() == m_nginx->url();
        const NginxServer& listServer = fromFirst ? *m_nginx : *m_mirror;
        const NginxServer& other = fromFirst ? *m_mirror : *m_nginx;
        ASSERT_EQ(workflow.urlMain(), listServer.url());
        EXPECT_EQ(gets(listServer, QStringLiteral("updater.lst.kdz")), 1);
        EXPECT_EQ(gets(other, QStringLiteral("updater.lst.kdz")), 0);
        EXPECT_GE(gets(listServer, QStringLiteral(".pak.kdz")), 1);
        EXPECT_GE(gets(other, QStringLiteral(".pak.kdz")), 1);
        EXPECT_TRUE(debugLines().contains(QStringLiteral("Update servers taking part: ") + listServer.url() +
                                          QStringLiteral(", ") + other.url()))
            << debugLines().join(u'\n').toStdString();
        EXPECT_FALSE(debugLines().filter(QStringLiteral("Update server ") + other.url()).isEmpty());
    }
}

// A mirror that serves other files under the same names costs a fetch from the list's server
// for each file it touched; every file ends right and the log names the mirror.
TEST_F(WorkflowMirrorTest, MirrorWithOtherFilesUnderTheSameNamesCostsOneRefetch) {
    publish(clientFiles('a'));
    ASSERT_NO_FATAL_FAILURE(startMirror(clientFiles('b')));
    TUpdateWorkflow& workflow = makeWorkflow(configText({m_nginx->url(), m_mirror->url()}));
    workflow.RunUpdate();

    EXPECT_EQ(workflow.failedFiles(), 0);
    expectClientFiles('a');
    const qsizetype fromMirror = gets(*m_mirror, QStringLiteral(".pak.kdz"));
    EXPECT_GE(fromMirror, 1);
    EXPECT_EQ(gets(*m_nginx, QStringLiteral(".pak.kdz")), 8) << "every file once from the list's server";
    EXPECT_EQ(debugLines().filter(QStringLiteral("after bytes from ") + m_mirror->url()).size(), fromMirror)
        << debugLines().join(u'\n').toStdString();
}

} // namespace kaldoria::update
