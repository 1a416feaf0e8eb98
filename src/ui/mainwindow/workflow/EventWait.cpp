#include "ui/mainwindow/workflow/EventWait.h"

#include <QEventLoop>
#include <QTimer>

namespace kaldoria::workflow {

namespace {
constexpr int kPollMs = 10;
} // namespace

void EventWait::until(const std::function<bool()>& done) {
    if (done())
        return;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    loop.exec();
}

} // namespace kaldoria::workflow
