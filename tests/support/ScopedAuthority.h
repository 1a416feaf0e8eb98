#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace kaldoria::testsupport {

// Names `caFile` in `variable` alone of the two authority variables (or in neither when
// `variable` is null) for the life of the object, then restores both.
class ScopedAuthority {
public:
    ScopedAuthority(const char* variable, const QString& caFile) {
        for (const char* name : kNames) {
            m_saved.append(qgetenv(name));
            qunsetenv(name);
        }
        if (variable)
            qputenv(variable, caFile.toLocal8Bit());
    }
    ~ScopedAuthority() {
        for (int i = 0; i < 2; ++i) {
            if (m_saved[i].isEmpty())
                qunsetenv(kNames[i]);
            else
                qputenv(kNames[i], m_saved[i]);
        }
    }

private:
    static constexpr const char* kNames[] = {"SSL_CERT_FILE", "CURL_CA_BUNDLE"};
    QList<QByteArray> m_saved;
};

} // namespace kaldoria::testsupport
