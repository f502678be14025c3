#include "QueuedFilter.h"

#include "media/PlaybackContext.h"

namespace media {

QueuedFilter::QueuedFilter(const QUuid& classId, std::string workerName, std::size_t maxQueued,
                           std::size_t wanted)
    : BaseFilter(classId),
      workerName_(std::move(workerName)),
      maxQueued_(maxQueued),
      wanted_(wanted) {}

void QueuedFilter::JoinGraph(PlaybackContext* context, const QString& name) {
    BaseFilter::JoinGraph(context, name);
    if (context != nullptr) {
        queue_ = std::make_unique<SampleQueue>(context->GenerationRef(), maxQueued_);
    }
}

void QueuedFilter::StartStreaming() {
    if (WorkerRunning() || !ReadyToStream() || !queue_) {
        return;
    }
    StartWorker(workerName_, [this](platform::Worker::Control& worker) { Run(worker); });
}

void QueuedFilter::BeginStop() {
    RequestWorkerStop();
    if (queue_) {
        queue_->Close();
    }
}

void QueuedFilter::StopStreaming() {
    if (!WorkerRunning()) {
        return;
    }
    BeginStop();
    StopWorker();
}

void QueuedFilter::Wake() {
    if (queue_) {
        queue_->Wake();
    }
    WakeWorker();
}

bool QueuedFilter::Receive(Pin&, MediaSample sample) {
    return queue_ && queue_->Push(std::move(sample));
}

bool QueuedFilter::WantsInput(const Pin&) const {
    return wanted_ != 0 && queue_ && queue_->Count() < wanted_;
}

std::size_t QueuedFilter::QueuedBytes(const Pin&) const {
    return wanted_ != 0 && queue_ ? queue_->Bytes() : 0;
}

}  // namespace media
