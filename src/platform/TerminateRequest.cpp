#include "platform/TerminateRequest.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kaldoria::platform {

namespace {

std::atomic<bool> requested{false};

std::mutex hookMutex;
std::function<void()>& hook() {
    static std::function<void()> endHook;
    return endHook;
}

} // namespace

void TerminateRequest::request() {
    requested.store(true);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
            dispatcher->wakeUp();
    }
}

bool TerminateRequest::isRequested() {
    return requested.load(std::memory_order_relaxed);
}

void TerminateRequest::reset() {
    requested.store(false);
}

void TerminateRequest::endProgram() {
    std::function<void()> endHook;
    {
        std::lock_guard lock(hookMutex);
        endHook = hook();
    }
    if (endHook) {
        endHook();
        return;
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

void TerminateRequest::setEndProgramHook(std::function<void()> endHook) {
    std::lock_guard lock(hookMutex);
    hook() = std::move(endHook);
}

bool TerminateRequest::endProgramIfRequested() {
    if (!isRequested())
        return false;
    endProgram();
    return true;
}

} // namespace kaldoria::platform
