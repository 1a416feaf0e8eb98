#pragma once

#include <QString>

#include <array>

namespace kaldoria::startup {

// The interface text table: entries 0 to 100 holding the current language's texts.
// Only tConfigData::SetLanguageArray writes it.
extern std::array<QString, 101> InterfaceTexts;

} // namespace kaldoria::startup
