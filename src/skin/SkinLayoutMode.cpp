#include "skin/SkinLayoutMode.h"

namespace kaldoria::skin {

qint32 SkinLayoutMode = 1;

} // namespace kaldoria::skin
