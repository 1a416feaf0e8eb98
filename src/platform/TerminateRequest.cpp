#include "platform/TerminateRequest.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kaldoria::platform {

namespace {

std::mutex stateMutex;

CancelToken& current() {
    static CancelToken token;
    return token;
}

std::function<void()>& hook() {
    static std::function<void()> endHook;
    return endHook;
}

} // namespace

CancelToken TerminateRequest::token() {
    std::lock_guard lock(stateMutex);
    return current();
}

void TerminateRequest::request() {
    token().cancel();
}

bool TerminateRequest::isRequested() {
    return token().isCancelled();
}

void TerminateRequest::reset() {
    std::lock_guard lock(stateMutex);
    current() = CancelToken();
}

void TerminateRequest::endProgram() {
    std::function<void()> endHook;
    {
        std::lock_guard lock(stateMutex);
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
    std::lock_guard lock(stateMutex);
    hook() = std::move(endHook);
}

} // namespace kaldoria::platform
