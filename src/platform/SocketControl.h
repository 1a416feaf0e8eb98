#pragma once

#include <QtGlobal>

namespace kaldoria::platform {

// The few socket operations a network library leaves to its caller when the caller opens and
// closes the sockets itself (to be able to cut a connection from another thread).

// A new socket; -1 when the system refuses.
qintptr openSocket(int family, int type, int protocol);

// Ends both directions of a connection: a thread blocked on the socket wakes up at once.
void shutdownSocket(qintptr socket);

void closeSocket(qintptr socket);

} // namespace kaldoria::platform
