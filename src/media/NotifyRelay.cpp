#include "NotifyRelay.h"

namespace media {

NotifyRelay::NotifyRelay(QObject* window) : window_(window) {}

bool NotifyRelay::event(QEvent* event) {
    const auto* message = dynamic_cast<const platform::WindowMessage*>(event);
    if (message == nullptr) {
        return QObject::event(event);
    }
    if (enabled_ && window_ != nullptr) {
        platform::SendWindowMessage(window_, message->Message(), message->WParam(),
                                    message->LParam());
    }
    return true;
}

}  // namespace media
