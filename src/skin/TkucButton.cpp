#include "skin/TkucButton.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucButton::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters, &btn_script, &common, &over, &disabled, &down, &up});
}

} // namespace kaldoria::skin
