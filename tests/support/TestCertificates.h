#pragma once

#include <QString>
#include <QTemporaryDir>

namespace kaldoria::testsupport {

// A private certificate authority and a server certificate it signed for 127.0.0.1 and
// localhost, made with the openssl command in a temporary folder.
class TestCertificates {
public:
    TestCertificates();

    // Makes the files; false when openssl failed.
    bool make();

    QString caFile() const { return m_folder.filePath(QStringLiteral("ca.pem")); }
    QString certFile() const { return m_folder.filePath(QStringLiteral("server.pem")); }
    QString keyFile() const { return m_folder.filePath(QStringLiteral("server.key")); }

private:
    bool openssl(const QStringList& arguments) const;

    QTemporaryDir m_folder;
};

} // namespace kaldoria::testsupport
