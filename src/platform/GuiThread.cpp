#include "GuiThread.h"

#include "platform/QueueHandoff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <utility>

namespace platform {

namespace {

// The call as Qt queues it: Qt moves it into the object it builds around it on the
// posting thread, and calls and frees that object on the GUI thread, or frees it
// uncalled when the receiver goes first. A move hands the call over once it is
// written; the last is into Qt's object, after the rest of that object, so the GUI
// thread takes all of it over there before it reads or frees any of it.
class QueuedCall {
  public:
    explicit QueuedCall(std::function<void()> fn) : fn_(std::move(fn)) {}
    QueuedCall(QueuedCall&& other) noexcept : fn_(std::move(other.fn_)) { HandOver(this); }
    QueuedCall(const QueuedCall&) = delete;
    QueuedCall& operator=(const QueuedCall&) = delete;
    QueuedCall& operator=(QueuedCall&&) = delete;
    ~QueuedCall() { TakeOver(this); }

    void operator()() {
        TakeOver(this);
        fn_();
    }

  private:
    std::function<void()> fn_;
};

}  // namespace

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
    QMetaObject::invokeMethod(receiver, QueuedCall(std::move(fn)), Qt::QueuedConnection);
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
