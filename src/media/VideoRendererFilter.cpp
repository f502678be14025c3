#include "VideoRendererFilter.h"

#include "media/FrameImage.h"
#include "media/PlaybackContext.h"

#include "platform/GuiThread.h"

#include <QWidget>

namespace media {

namespace {

constexpr std::size_t kQueuedPictures = 6;
constexpr std::chrono::milliseconds kIdleWait{50};
constexpr std::chrono::milliseconds kStartPoll{10};

}  // namespace

VideoRendererFilter::VideoRendererFilter(const QUuid& classId)
    : BaseFilter(classId), input_(AddPin(PinDirection::Input, QStringLiteral("Input"))) {}

VideoRendererFilter::~VideoRendererFilter() {
    StopStreaming();
    QWidget* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        sink = sink_;
    }
    delete sink;  // its destructor calls SinkDestroyed
}

HRESULT VideoRendererFilter::CheckInputType(const MediaType& type) const {
    if (type.major != MajorType::Video || type.compressed || input_.IsConnected()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT VideoRendererFilter::CompleteInputConnect(Pin&, const MediaType& type) {
    inputType_ = type;
    streamId_ = Context()->AddStream();
    return S_OK;
}

void VideoRendererFilter::BreakInputConnect(Pin&) {
    StopStreaming();
    if (streamId_ != 0 && Context() != nullptr) {
        Context()->RemoveStream(streamId_);
    }
    streamId_ = 0;
}

void VideoRendererFilter::StartStreaming() {
    if (WorkerRunning() || streamId_ == 0) {
        return;
    }
    stop_ = false;
    StartWorker("media-video", [this](platform::Worker::Control& worker) { Run(worker); });
}

void VideoRendererFilter::BeginStop() {
    RequestWorkerStop();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
}

void VideoRendererFilter::StopStreaming() {
    if (!WorkerRunning()) {
        return;
    }
    BeginStop();
    StopWorker();
}

void VideoRendererFilter::Wake() {
    std::lock_guard lock(mutex_);
    DropStaleLocked();
    changed_.notify_all();
}

bool VideoRendererFilter::Receive(Pin&, MediaSample sample) {
    const PlaybackContext* context = Context();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return stop_ || sample.generation != context->Generation() ||
               queue_.size() < kQueuedPictures;
    });
    if (stop_ || sample.generation != context->Generation()) {
        return false;
    }
    queue_.push_back(std::move(sample));
    changed_.notify_all();
    return true;
}

// Waits on the picture queue's condition (pictures, wakes and the stop all signal
// it), not on the worker's wake event.
void VideoRendererFilter::Run(platform::Worker::Control&) {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!RunOnce(lock)) {
            changed_.wait_for(lock, kIdleWait);
        }
    }
}

// One step of the presenting thread; false when it has to wait for a change.
bool VideoRendererFilter::RunOnce(std::unique_lock<std::mutex>& lock) {
    PlaybackContext& context = *Context();
    DropStaleLocked();
    const std::uint64_t generation = context.Generation();
    const FilterState state = context.State();
    if (state == State_Stopped) {
        return false;
    }
    if (claimedGeneration_ != generation) {
        // Preroll: the first picture of a segment shows at once, paused or not.
        if (queue_.empty()) {
            return false;
        }
        MediaSample sample = std::move(queue_.front());
        queue_.pop_front();
        claimedGeneration_ = generation;
        changed_.notify_all();
        if (sample.kind == MediaSample::Kind::EndOfStream) {
            endGeneration_ = generation;
            lastStop_ = context.Target();
            shownGeneration_ = generation;
            lock.unlock();
        } else {
            lock.unlock();
            Present(std::move(sample));
        }
        context.StreamReady(streamId_, generation);
        lock.lock();
        return true;
    }
    MediaClock& clock = context.Clock();
    if (state != State_Running || !clock.Running()) {
        if (state == State_Running) {
            lock.unlock();
            context.PollClockStart();
            lock.lock();
            changed_.wait_for(lock, kStartPoll);
            return true;
        }
        return false;
    }
    const REFERENCE_TIME now = clock.Now();
    if (endGeneration_ == generation) {
        if (endedGeneration_ == generation) {
            return false;
        }
        if (now >= lastStop_) {
            endedGeneration_ = generation;
            lock.unlock();
            context.StreamEnded(streamId_, generation);
            lock.lock();
            return true;
        }
        changed_.wait_until(
            lock, std::min(clock.DueTime(lastStop_), std::chrono::steady_clock::now() + kIdleWait));
        return true;
    }
    if (queue_.empty()) {
        return false;
    }
    if (queue_.front().kind == MediaSample::Kind::EndOfStream) {
        queue_.pop_front();
        endGeneration_ = generation;
        changed_.notify_all();
        return true;
    }
    if (queue_.front().start > now) {
        changed_.wait_until(lock, std::min(clock.DueTime(queue_.front().start),
                                           std::chrono::steady_clock::now() + kIdleWait));
        return true;
    }
    // Due. When the next one is due as well this one is late: drop it.
    const bool late = queue_.size() >= 2 && queue_[1].kind == MediaSample::Kind::Picture &&
                      queue_[1].start <= now;
    MediaSample sample = std::move(queue_.front());
    queue_.pop_front();
    changed_.notify_all();
    if (!late) {
        lock.unlock();
        Present(std::move(sample));
        lock.lock();
    }
    return true;
}

void VideoRendererFilter::Present(MediaSample sample) {
    Prepare(sample.picture);
    {
        std::lock_guard lock(mutex_);
        current_ = sample.picture;
        lastStop_ = sample.stop;
        shownGeneration_ = sample.generation;
    }
    changed_.notify_all();
    RequestRepaint();
}

HRESULT VideoRendererFilter::StepOne(std::chrono::milliseconds timeout, REFERENCE_TIME& shownAt) {
    if (!WaitForPresentation(timeout)) {
        return VFW_E_TIMEOUT;
    }
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, timeout, [&] {
        DropStaleLocked();
        return stop_ || !queue_.empty() || endGeneration_ == Context()->Generation();
    });
    if (!ready || stop_) {
        return VFW_E_TIMEOUT;
    }
    if (queue_.empty() || queue_.front().kind == MediaSample::Kind::EndOfStream) {
        return S_FALSE;
    }
    MediaSample sample = std::move(queue_.front());
    queue_.pop_front();
    changed_.notify_all();
    lock.unlock();
    shownAt = sample.start;
    Present(std::move(sample));
    return S_OK;
}

bool VideoRendererFilter::WaitForPresentation(std::chrono::milliseconds timeout) {
    const PlaybackContext* context = Context();
    if (context == nullptr || streamId_ == 0) {
        return false;
    }
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return stop_ || context->State() == State_Stopped ||
               shownGeneration_ == context->Generation();
    }) && shownGeneration_ == context->Generation();
}

SharedFrame VideoRendererFilter::CurrentPicture() const {
    std::lock_guard lock(mutex_);
    return current_;
}

QSize VideoRendererFilter::NativeSize() const {
    return QSize(inputType_.width, inputType_.height);
}

QRect VideoRendererFilter::PictureRect() const {
    const Rect destination = Destination();
    return LetterboxRect(NativeSize(), inputType_.sampleAspect,
                         QRect(0, 0, destination.Width(), destination.Height()));
}

void VideoRendererFilter::RequestRepaint() {
    std::lock_guard lock(mutex_);
    if (sink_ == nullptr || repaintPending_.exchange(true)) {
        return;
    }
    platform::RunOnGuiThread(sink_, [this] {
        repaintPending_ = false;
        if (sink_ != nullptr) {
            sink_->update();
        }
    });
}

HRESULT VideoRendererFilter::AttachWindow(QWidget* window) {
    if (window == nullptr) {
        return E_POINTER;
    }
    QWidget* sink = CreateSink(window);
    if (sink == nullptr) {
        return VFW_E_NO_DISPLAY;
    }
    {
        std::lock_guard lock(mutex_);
        delete sink_;
        sink_ = sink;
    }
    window_ = window;
    sink->setObjectName(Name());
    sink->hide();
    return S_OK;
}

HRESULT VideoRendererFilter::SetDestination(const Rect* destination) {
    if (destination == nullptr) {
        return E_POINTER;
    }
    destination_ = *destination;
    ApplyGeometry();
    return S_OK;
}

Rect VideoRendererFilter::Destination() const {
    return destination_;
}

HRESULT VideoRendererFilter::Repaint() {
    if (sink_ != nullptr) {
        sink_->update();
    }
    return S_OK;
}

HRESULT VideoRendererFilter::Grab(BitmapInfoHeader& header, std::uint8_t*& block,
                                  std::size_t offset) {
    block = nullptr;
    WaitForPresentation(std::chrono::milliseconds(3000));
    const SharedFrame picture = CurrentPicture();
    if (!picture) {
        return E_FAIL;
    }
    block = PictureToBitmap(picture.get(), header, offset);
    return block != nullptr ? S_OK : E_OUTOFMEMORY;
}

void VideoRendererFilter::SinkDestroyed() {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
}

void VideoRendererFilter::ApplyGeometry() {
    if (sink_ == nullptr) {
        return;
    }
    if (destination_.IsEmpty()) {
        sink_->hide();
        return;
    }
    sink_->setGeometry(destination_.left, destination_.top, destination_.Width(),
                       destination_.Height());
    sink_->raise();
    sink_->show();
    sink_->update();
}

void VideoRendererFilter::DropStaleLocked() {
    const PlaybackContext* context = Context();
    if (context == nullptr) {
        return;
    }
    const std::uint64_t current = context->Generation();
    while (!queue_.empty() && queue_.front().generation != current) {
        queue_.pop_front();
    }
}

}  // namespace media
