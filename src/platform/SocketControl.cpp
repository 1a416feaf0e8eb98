#include "platform/SocketControl.h"

#include <sys/socket.h>
#include <unistd.h>

namespace kaldoria::platform {

qintptr openSocket(int family, int type, int protocol) {
    return ::socket(family, type | SOCK_CLOEXEC, protocol);
}

void shutdownSocket(qintptr socket) {
    ::shutdown(int(socket), SHUT_RDWR);
}

void closeSocket(qintptr socket) {
    ::close(int(socket));
}

} // namespace kaldoria::platform
