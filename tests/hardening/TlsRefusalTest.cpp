#include "HardeningFixture.h"

#include <QProcess>
#include <QTemporaryDir>

namespace kaldoria::hardening {

namespace {

// A trusted private authority and a server certificate that fails verification one way.
enum class BadCertificate { WrongHost, SelfSigned, Expired };

class HostileCertificates {
public:
    bool make(BadCertificate kind) {
        const QString subject =
            kind == BadCertificate::WrongHost ? QStringLiteral("wrong.example") : QStringLiteral("127.0.0.1");
        const QString altName =
            kind == BadCertificate::WrongHost ? QStringLiteral("DNS:wrong.example") : QStringLiteral("IP:127.0.0.1");
        QFile ext(path(QStringLiteral("ext")));
        if (!ext.open(QIODevice::WriteOnly))
            return false;
        ext.write("subjectAltName=" + altName.toLatin1() + "\n");
        ext.close();
        if (!openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                      QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                      path(QStringLiteral("ca.key")), QStringLiteral("-out"), caFile(), QStringLiteral("-days"),
                      QStringLiteral("30"), QStringLiteral("-subj"), QStringLiteral("/CN=Test authority")}))
            return false;
        if (kind == BadCertificate::SelfSigned)
            return openssl({QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                            QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), keyFile(),
                            QStringLiteral("-out"), certFile(), QStringLiteral("-days"), QStringLiteral("30"),
                            QStringLiteral("-subj"), QStringLiteral("/CN=") + subject, QStringLiteral("-addext"),
                            QStringLiteral("subjectAltName=") + altName});
        if (!openssl({QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                      QStringLiteral("-nodes"), QStringLiteral("-keyout"), keyFile(), QStringLiteral("-out"),
                      path(QStringLiteral("server.csr")), QStringLiteral("-subj"), QStringLiteral("/CN=") + subject}))
            return false;
        // "-days -1" ends the certificate's validity a day before it begins.
        const QString days = kind == BadCertificate::Expired ? QStringLiteral("-1") : QStringLiteral("30");
        return openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caFile(), QStringLiteral("-CAkey"),
                        path(QStringLiteral("ca.key")), QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
                        certFile(), QStringLiteral("-days"), days, QStringLiteral("-extfile"),
                        path(QStringLiteral("ext"))});
    }

    QString caFile() const { return path(QStringLiteral("ca.pem")); }
    QString certFile() const { return path(QStringLiteral("server.pem")); }
    QString keyFile() const { return path(QStringLiteral("server.key")); }

private:
    QString path(const QString& name) const { return m_folder.filePath(name); }
    static bool openssl(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("openssl"), arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    QTemporaryDir m_folder;
};

} // namespace

class TlsRefusalTest : public HardeningFixture, public ::testing::WithParamInterface<BadCertificate> {};

// The update server's certificate does not verify: the launcher fetches nothing from it,
// ends with code 1 and says that no update server answered.
TEST_P(TlsRefusalTest, ServerIsRefusedAndNothingIsUsed) {
    HostileCertificates certificates;
    ASSERT_TRUE(certificates.make(GetParam()));
    serve(clientFiles(), {}, {certificates.certFile(), certificates.keyFile()});
    m_environment << QStringLiteral("SSL_CERT_FILE=") + certificates.caFile();
    const Run result = runChecked();
    EXPECT_EQ(result.exitCode, 1) << result.output.toStdString();
    EXPECT_TRUE(result.output.contains("No update server")) << result.output.toStdString();
    EXPECT_TRUE(m_bad->gets().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(clientFile(QStringLiteral("kd.exe"))));
    EXPECT_TRUE(oldListNames().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Certificates, TlsRefusalTest,
                         ::testing::Values(BadCertificate::WrongHost, BadCertificate::SelfSigned,
                                           BadCertificate::Expired));

} // namespace kaldoria::hardening
