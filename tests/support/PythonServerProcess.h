#pragma once

#include <QProcess>
#include <QStringList>

namespace kaldoria::testsupport {

// Starts one of our python test servers in `process` and reads the port it chose from its
// first line of output ("PORT n"); 0 when it did not start or said nothing usable.
quint16 startPythonServer(QProcess& process, const QStringList& arguments);

} // namespace kaldoria::testsupport
