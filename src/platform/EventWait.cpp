#include "platform/EventWait.h"

#include "platform/TerminateRequest.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace kaldoria::platform {

void dispatchPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitDispatching(const std::function<bool()>& done) {
    while (!done()) {
        endProgramIfTerminateRequested();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace kaldoria::platform
