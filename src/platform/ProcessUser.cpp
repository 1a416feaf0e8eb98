#include "platform/ProcessUser.h"

#include <unistd.h>

namespace kaldoria::platform {

bool runsAsAdministrator() {
    return geteuid() == 0;
}

} // namespace kaldoria::platform
