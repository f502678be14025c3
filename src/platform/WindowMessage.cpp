#include "WindowMessage.h"

#include "platform/QueueHandoff.h"

#include <QCoreApplication>

namespace platform {

WindowMessage::WindowMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam)
    : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam) {
    HandOver(this);
}

const WindowMessage* WindowMessage::From(const QEvent* event, std::uint32_t message) {
    if (event == nullptr || static_cast<std::uint32_t>(event->type()) != message) {
        return nullptr;
    }
    TakeOver(event);
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
