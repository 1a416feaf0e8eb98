#pragma once

#include "PackResult.h"

#include <QString>

namespace kaldoria::pack {

// The two skin blocks of a configuration stream (main window, then settings window) made
// from a skin folder: DIR/MainWindow/<Element>/ and DIR/ConfigWindow/<Element>/, each
// element folder holding files named after the element's fields (parameters.txt,
// btn_script.txt, image.bmp, region.rgn, common.bmp, ...). A missing file is written as an
// empty item and a missing element folder writes no record; records come in tag order.
// Unknown folders or files, unreadable bitmaps and a main window without a background
// image are errors; parameter lines the launcher would ignore are warnings.
PackResult writeSkinBlocks(const QString& skinDir);

} // namespace kaldoria::pack
