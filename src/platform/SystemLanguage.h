#pragma once

namespace kaldoria::platform {

// The system's default language as a Windows language identifier (1033 for English (United
// States), 1031 for German (Germany), ...), which is how the configuration names its
// languages. Taken from the locale; 1033 when the locale names no known language.
int systemLanguageId();

} // namespace kaldoria::platform
