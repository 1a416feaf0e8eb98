#include "skin/TkucGauge.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucGauge::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters, &FTex, &BTex});
}

} // namespace kaldoria::skin
