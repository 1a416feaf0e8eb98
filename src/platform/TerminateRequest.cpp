#include "platform/TerminateRequest.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace kaldoria::platform {

namespace {
std::atomic<bool> g_terminate{false};
} // namespace

void requestTerminate() {
    g_terminate.store(true);
    // Wake a loop that waits for events so that it looks at the flag.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] {}, Qt::QueuedConnection);
}

bool terminateRequested() {
    return g_terminate.load();
}

void endProgramIfTerminateRequested() {
    if (!terminateRequested())
        return;
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace kaldoria::platform
