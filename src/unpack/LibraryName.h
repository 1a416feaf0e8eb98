#pragma once

#include <QString>

namespace kaldoria::unpack {

// Whether `name` reaches the file system unchanged when handed to the UnRAR library: the
// library turns wide names into narrow ones with the C library's locale conversion, which
// under a locale that is not UTF-8 cuts a name short at its first character it cannot
// convert ("Ströme/x" becomes "Str"). True only when that conversion gives exactly the
// name's UTF-8 bytes, and the name holds no character the library reserves for its own
// byte mapping.
bool libraryKeepsName(const QString& name);

} // namespace kaldoria::unpack
