#include "startup/InterfaceTexts.h"

namespace kaldoria::startup {

std::array<QString, 101> InterfaceTexts;

QString interfaceText(TextEntry entry) {
    return InterfaceTexts.at(static_cast<size_t>(entry));
}

} // namespace kaldoria::startup
