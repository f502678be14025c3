#include "BaseFilter.h"

namespace media {

BaseFilter::BaseFilter(const QUuid& classId) : classId_(classId) {}

BaseFilter::~BaseFilter() = default;

HRESULT BaseFilter::EnumPins(std::unique_ptr<PinEnumerator>& out) {
    std::vector<std::shared_ptr<Pin>> pins;
    pins.reserve(pins_.size());
    for (const auto& pin : pins_) {
        pins.push_back(pin->Shared());
    }
    out = std::make_unique<PinEnumerator>(std::move(pins));
    return S_OK;
}

Pin* BaseFilter::FirstPin(PinDirection direction) const {
    for (const auto& pin : pins_) {
        if (pin->Direction() == direction) {
            return pin.get();
        }
    }
    return nullptr;
}

bool BaseFilter::HasConnectedPin() const {
    for (const auto& pin : pins_) {
        if (pin->IsConnected()) {
            return true;
        }
    }
    return false;
}

void BaseFilter::JoinGraph(PlaybackContext* context, const QString& name) {
    context_ = context;
    name_ = context != nullptr ? name : QString();
}

HRESULT BaseFilter::CheckInputType(const MediaType&) const {
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT BaseFilter::CompleteInputConnect(Pin&, const MediaType&) {
    return S_OK;
}

void BaseFilter::BreakInputConnect(Pin&) {}

bool BaseFilter::Receive(Pin&, MediaSample) {
    return false;
}

bool BaseFilter::WantsInput(const Pin&) const {
    return false;
}

std::size_t BaseFilter::QueuedBytes(const Pin&) const {
    return 0;
}

Pin& BaseFilter::AddPin(PinDirection direction, const QString& name) {
    pins_.push_back(std::make_unique<Pin>(*this, direction, name));
    return *pins_.back();
}

void BaseFilter::StartWorker(std::string name, platform::Worker::Body body) {
    std::lock_guard lock(workerMutex_);
    if (!worker_) {
        worker_ = std::make_unique<platform::Worker>(std::move(name), std::move(body));
    }
}

void BaseFilter::StopWorker() {
    std::unique_ptr<platform::Worker> worker;
    {
        std::lock_guard lock(workerMutex_);
        worker = std::move(worker_);
    }
    // Joined outside the lock: the worker itself may be waking its filter.
    if (worker) {
        worker->Stop();
    }
}

void BaseFilter::RequestWorkerStop() {
    std::lock_guard lock(workerMutex_);
    if (worker_) {
        worker_->RequestStop();
    }
}

void BaseFilter::WakeWorker() {
    std::lock_guard lock(workerMutex_);
    if (worker_) {
        worker_->Wake();
    }
}

bool BaseFilter::WorkerRunning() const {
    std::lock_guard lock(workerMutex_);
    return worker_ != nullptr;
}

bool BaseFilter::WorkerStopRequested() const {
    std::lock_guard lock(workerMutex_);
    return !worker_ || worker_->StopRequested();
}

}  // namespace media
