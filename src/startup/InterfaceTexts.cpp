#include "startup/InterfaceTexts.h"

namespace kaldoria::startup {

std::array<QString, 101> InterfaceTexts;

} // namespace kaldoria::startup
