#include "skin/TkucWebPanel.h"

#include "skin/SkinPayload.h"

namespace kaldoria::skin {

SkinReadResult TkucWebPanel::LoadFromStream2(QIODevice& stream) {
    return readElementPayload(stream, {&parameters});
}

} // namespace kaldoria::skin
