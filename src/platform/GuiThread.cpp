#include "GuiThread.h"

#include "platform/QueueHandoff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <memory>

namespace platform {

bool IsGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

void RunOnGuiThread(QObject* context, std::function<void()> fn) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        fn();
        return;
    }
    // Qt removes the queued call when its receiver is destroyed.
    QObject* receiver = context != nullptr ? context : application;
    auto call = std::make_shared<std::function<void()>>(std::move(fn));
    HandOver(call.get());
    QMetaObject::invokeMethod(
        receiver,
        [call] {
            TakeOver(call.get());
            (*call)();
        },
        Qt::QueuedConnection);
}

void UpdateOnGuiThread(QObject* widget) {
    if (widget == nullptr) {
        return;
    }
    if (IsGuiThread()) {
        QMetaObject::invokeMethod(widget, "update", Qt::DirectConnection);
        return;
    }
    QMetaObject::invokeMethod(widget, "update", Qt::QueuedConnection);
}

}  // namespace platform
