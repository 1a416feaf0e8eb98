#include "PythonServerProcess.h"

namespace kaldoria::testsupport {

namespace {
constexpr int kStartWaitMs = 10000;
} // namespace

quint16 startPythonServer(QProcess& process, const QStringList& arguments) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("python3"), arguments);
    if (!process.waitForStarted())
        return 0;
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(kStartWaitMs))
            return 0;
    }
    const QString first = QString::fromUtf8(process.readLine()).trimmed();
    if (!first.startsWith(QStringLiteral("PORT ")))
        return 0;
    return quint16(first.mid(5).toUInt());
}

} // namespace kaldoria::testsupport
