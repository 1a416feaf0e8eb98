#pragma once

namespace kaldoria::platform {

// Makes the C library's conversions between wide and narrow names UTF-8, the encoding of
// every client path. Under a locale whose character set is something else ("C", or a
// locale that is not installed) a library that converts names that way (the UnRAR
// library) would write to other paths than the ones it was given. Switches LC_CTYPE to
// "C.UTF-8" in that case, leaving the rest of the locale alone. Call after the
// QCoreApplication exists, since Qt sets the locale from the environment. True when the
// character set is UTF-8 afterwards.
bool useUtf8Names();

} // namespace kaldoria::platform
