#include "platform/CancelToken.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace kaldoria::platform {

CancelToken::CancelToken() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}

void CancelToken::cancel() const {
    m_flag->store(true, std::memory_order_release);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(app->thread()))
            dispatcher->wakeUp();
    }
}

} // namespace kaldoria::platform
