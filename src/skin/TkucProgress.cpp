#include "skin/TkucProgress.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucProgress::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters});
}

} // namespace kaldoria::skin
