#include "Pin.h"

#include "media/BaseFilter.h"

namespace media {

Pin::Pin(BaseFilter& filter, PinDirection direction, QString name)
    : filter_(filter), direction_(direction), name_(std::move(name)) {}

HRESULT Pin::ConnectedTo(std::shared_ptr<Pin>& peer) const {
    peer.reset();
    Pin* connected = peer_.load();
    if (connected == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    peer = connected->Shared();
    return S_OK;
}

HRESULT Pin::QueryDirection(PinDirection& direction) const {
    direction = direction_;
    return S_OK;
}

bool Pin::Deliver(MediaSample sample) const {
    Pin* connected = peer_.load();
    if (direction_ != PinDirection::Output || connected == nullptr) {
        return false;
    }
    return connected->Filter().Receive(*connected, std::move(sample));
}

std::shared_ptr<Pin> Pin::Shared() {
    return std::shared_ptr<Pin>(filter_.shared_from_this(), this);
}

HRESULT PinEnumerator::Next(std::shared_ptr<Pin>& out) {
    out.reset();
    if (next_ >= pins_.size()) {
        return S_FALSE;
    }
    out = pins_[next_++];
    return S_OK;
}

}  // namespace media
