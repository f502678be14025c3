#include "WindowMessage.h"

#include "platform/QueueHandoff.h"

#include <QCoreApplication>

namespace platform {

WindowMessage::WindowMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
    : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam) {
    HandOver(this);
}

// A message no one reads is still freed on the receiver's thread.
WindowMessage::~WindowMessage() {
    TakeOver(this);
}

std::uint32_t WindowMessage::Message() const {
    TakeOver(this);
    return static_cast<std::uint32_t>(type());
}

WPARAM WindowMessage::WParam() const {
    TakeOver(this);
    return wParam_;
}

LPARAM WindowMessage::LParam() const {
    TakeOver(this);
    return lParam_;
}

void WindowMessage::SetResult(LRESULT result) {
    TakeOver(this);
    result_ = result;
}

LRESULT WindowMessage::Result() const {
    TakeOver(this);
    return result_;
}

const WindowMessage* WindowMessage::From(const QEvent* event, std::uint32_t message) {
    if (event == nullptr) {
        return nullptr;
    }
    // Its type is read before it is known to be a message: take it over first.
    TakeOver(event);
    if (static_cast<std::uint32_t>(event->type()) != message) {
        return nullptr;
    }
    return dynamic_cast<const WindowMessage*>(event);
}

void PostWindowMessage(QObject* receiver, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (receiver == nullptr) {
        return;
    }
    QCoreApplication::postEvent(receiver, new WindowMessage(message, wParam, lParam));
}

LRESULT SendWindowMessage(QObject* receiver, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (receiver == nullptr) {
        return 0;
    }
    WindowMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.Result();
}

}  // namespace platform
