#include "skin/TkucLangFolder.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucLangFolder::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters});
}

} // namespace kaldoria::skin
