#include "VideoMessageRoute.h"

#include "foundation/MessageNumbers.h"
#include "platform/WindowMessage.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace app {

VideoMessageRoute::VideoMessageRoute(QWidget& window, PlaybackCoordinator& coordinator)
    : window_(window), coordinator_(coordinator) {}

bool VideoMessageRoute::Handle(QEvent* event) {
    if (const auto* notify = platform::WindowMessage::From(event, WM_GRAPH_NOTIFY)) {
        // The player is looked up again when the wait is over: it may be gone by then.
        const auto player = reinterpret_cast<const void*>(notify->LParam());
        QTimer::singleShot(kNotifyDelayMs, &context_, [this, player] {
            if (!coordinator_.IsEmpty()) {
                coordinator_.GraphNotify(player);
            }
        });
        return true;
    }
    if (coordinator_.IsEmpty()) {
        return false;
    }
    switch (event->type()) {
        case QEvent::Paint:
            Paint();
            return true;
        case QEvent::Resize:
            coordinator_.CurrentPlayer()->FitVideoWindow();
            return false;  // the widget still learns its new size
        default:
            break;
    }
    if (const auto* complete = platform::WindowMessage::From(event, WM_PLAY_COMPLETE)) {
        coordinator_.PlayComplete(reinterpret_cast<const void*>(complete->WParam()));
        return true;
    }
    return false;
}

void VideoMessageRoute::DisplayChanged() {
    if (!coordinator_.IsEmpty()) {
        coordinator_.CurrentPlayer()->OnDisplayChange();
    }
}

void VideoMessageRoute::Paint() {
    QPainter painter(&window_);
    painter.fillRect(window_.rect(), Qt::black);
    coordinator_.CurrentPlayer()->Repaint(&painter);
}

}  // namespace app
