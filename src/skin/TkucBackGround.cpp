#include "skin/TkucBackGround.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucBackGround::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&image, &region});
}

} // namespace kaldoria::skin
