#pragma once

#include <QtGlobal>

namespace kaldoria::skin {

// How the skin is laid out on the windows, shared by every element of both windows:
// 1 while no skin block has been accepted (fixed fields), 2 once a window reader has
// accepted its block (parameter lists). It never goes back to 1.
extern qint32 SkinLayoutMode;

} // namespace kaldoria::skin
