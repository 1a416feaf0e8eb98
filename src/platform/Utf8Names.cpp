#include "platform/Utf8Names.h"

#include <clocale>
#include <langinfo.h>
#include <strings.h>

namespace kaldoria::platform {

namespace {
bool codesetIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0;
}
} // namespace

bool useUtf8Names() {
    if (codesetIsUtf8())
        return true;
    return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && codesetIsUtf8();
}

} // namespace kaldoria::platform
