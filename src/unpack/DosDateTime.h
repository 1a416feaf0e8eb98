#pragma once

#include "TRARTypes.h"

namespace kaldoria::unpack {

// The MS-DOS date and time of archive headers (date in the high 16 bits, seconds halved).
class DosDateTime {
public:
    // The day count of `dosDateTime`, taken as it stands (no time-zone conversion); 0 when
    // the fields do not form a valid date and time.
    static TDateTime toDayCount(unsigned dosDateTime);
};

} // namespace kaldoria::unpack
