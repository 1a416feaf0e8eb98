#pragma once

#include <QtGlobal>

namespace kaldoria::testsupport {

// A port on 127.0.0.1 that nothing listened on a moment ago (a connection to it is refused).
quint16 unusedLocalPort();

// True when something accepts a TCP connection on 127.0.0.1 at `port`.
bool acceptsConnections(quint16 port);

} // namespace kaldoria::testsupport
