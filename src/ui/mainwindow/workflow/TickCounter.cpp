#include "ui/mainwindow/workflow/TickCounter.h"

#include <QDeadlineTimer>

namespace kaldoria::workflow {

quint32 TickCounter::systemTicks() {
    return static_cast<quint32>(QDeadlineTimer::current().deadline());
}

} // namespace kaldoria::workflow
