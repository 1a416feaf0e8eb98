#pragma once

#include "TRARTypes.h"

#include <QDateTime>

namespace kaldoria::unpack {

// Conversions into the day-count date values that archive events carry.
class DateTimeValue {
public:
    // An MS-DOS date and time (date in the high 16 bits), taken as it stands; 0 when invalid.
    static TDateTime fromDos(unsigned dosDateTime);
    // A date and time in local time.
    static TDateTime fromLocal(const QDateTime& local);
};

} // namespace kaldoria::unpack
