#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace kaldoria::testsupport {

TestCertificates::TestCertificates() = default;

bool TestCertificates::openssl(const QStringList& arguments) const {
    QProcess process;
    process.setWorkingDirectory(m_folder.path());
    process.start(QStringLiteral("openssl"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TestCertificates::make() {
    QFile extensions(m_folder.filePath(QStringLiteral("server.ext")));
    if (!m_folder.isValid() || !extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n"
                     "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n");
    extensions.close();
    const QStringList ecKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                               QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                               QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=Kaldoria Test CA"),
                               QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                               QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")}) &&
           openssl(QStringList{QStringLiteral("req")} + ecKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                               QStringLiteral("server.csr"), QStringLiteral("-subj"),
                               QStringLiteral("/CN=127.0.0.1")}) &&
           openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                    QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.pem"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                    QStringLiteral("server.ext")});
}

} // namespace kaldoria::testsupport
