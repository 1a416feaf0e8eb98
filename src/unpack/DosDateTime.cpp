#include "DosDateTime.h"

#include <platform/DayCount.h>

#include <QDateTime>

namespace kaldoria::unpack {

TDateTime DosDateTime::toDayCount(unsigned dos) {
    const QDate date(static_cast<int>(1980 + (dos >> 25)), static_cast<int>((dos >> 21) & 0x0F),
                     static_cast<int>((dos >> 16) & 0x1F));
    const QTime time(static_cast<int>((dos >> 11) & 0x1F), static_cast<int>((dos >> 5) & 0x3F),
                     static_cast<int>((dos & 0x1F) * 2));
    if (!date.isValid() || !time.isValid())
        return 0;
    return platform::DayCount::fromDateTime(QDateTime(date, time));
}

} // namespace kaldoria::unpack
