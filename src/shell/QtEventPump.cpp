#include "shell/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace zelto::shell {

QtEventPump::QtEventPump() : thread_(QThread::currentThread()) {}

void QtEventPump::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void QtEventPump::wake() {
    // wakeUp() is the dispatcher's one thread-safe entry: it ends a WaitForMoreEvents sleep.
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(thread_))
        d->wakeUp();
}

}  // namespace zelto::shell
