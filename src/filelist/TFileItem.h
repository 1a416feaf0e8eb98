#pragma once

#include "filelist/TFileRecord.h"

namespace kaldoria::filelist {

// The object a file list holds for each entry; the list owns it.
struct TFileItem {
    TFileRecord Content;
};

} // namespace kaldoria::filelist
