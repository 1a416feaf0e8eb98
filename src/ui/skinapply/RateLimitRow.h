#pragma once

#include "ui/skinapply/WindowApply.h"

namespace kaldoria::skin {

// Places the settings window's download limit row, which no skin element describes, one row
// below the check method's: as far below it as that row lies below the disk type's, with the
// same label and field geometry and the label's font and colour. When the skin leaves no room
// there (the row would cover "Ok" or reach outside the window) the row stays hidden; the
// limit is then set in the settings file or on the command line.
void placeRateLimitRow(const ConfigWindowControls& target);

} // namespace kaldoria::skin
