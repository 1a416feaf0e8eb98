#include "skin/TkucConfig.h"

#include <cstddef>
#include <cstdint>

// Any bytes as a decoded configuration stream: both skin blocks and the text after them.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kaldoria::skin::TkucConfig skin;
    skin.LoadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
