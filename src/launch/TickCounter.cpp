#include "launch/TickCounter.h"

#include <QDeadlineTimer>

namespace kaldoria::launch {

quint32 TickCounter::systemTicks() {
    return static_cast<quint32>(QDeadlineTimer::current().deadline());
}

} // namespace kaldoria::launch
