#include "skin/TkucLabel.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucLabel::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters});
}

} // namespace kaldoria::skin
