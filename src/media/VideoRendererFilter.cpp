#include "VideoRendererFilter.h"

#include "media/FrameImage.h"
#include "media/PlaybackContext.h"

#include "platform/GuiThread.h"

#include <QWidget>

#include <algorithm>

namespace media {

namespace {

constexpr std::chrono::milliseconds kIdleWait{50};
constexpr std::chrono::milliseconds kStartPoll{10};
// How often a frame step waiting for its picture looks whether the end was taken.
constexpr std::chrono::milliseconds kStepPoll{10};

// Waits for a wake until the deadline, kIdleWait at the most (the clock may be
// moved meanwhile); rounds up, so a due picture is not looked at early.
void WaitForWakeUntil(platform::Worker::Control& worker,
                      std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    worker.Wait(std::clamp(left, std::chrono::milliseconds(0), kIdleWait));
}

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

void VideoRendererFilter::JoinGraph(PlaybackContext* context, const QString& name) {
    BaseFilter::JoinGraph(context, name);
    if (context != nullptr) {
        queue_ = std::make_unique<SampleQueue>(context->GenerationRef(), kQueuedPictures);
    }
}

void VideoRendererFilter::StartStreaming() {
    if (streamId_ == 0 || !queue_) {
        return;
    }
    StartWorker("media-video", [this](platform::Worker::Control& worker) { Run(worker); });
}

void VideoRendererFilter::BeginStop() {
    RequestWorkerStop();
    if (queue_) {
        queue_->Close();
    }
    NotifyWaiters();
}

void VideoRendererFilter::StopStreaming() {
    if (!WorkerRunning()) {
        return;
    }
    BeginStop();
    StopWorker();
}

void VideoRendererFilter::Wake() {
    if (queue_) {
        queue_->Wake();
    }
    WakeWorker();
    NotifyWaiters();
}

bool VideoRendererFilter::Receive(Pin&, MediaSample sample) {
    if (!queue_) {
        return false;
    }
    SharedFrame picture;
    if (sample.kind == MediaSample::Kind::Picture) {
        picture = sample.picture;
        Upcoming(picture, sample.generation);
    }
    if (!queue_->Push(std::move(sample))) {
        Passed(picture);
        return false;
    }
    WakeWorker();
    return true;
}

void VideoRendererFilter::Run(platform::Worker::Control& worker) {
    while (!worker.StopRequested()) {
        if (!RunOnce(worker)) {
            worker.Wait(kIdleWait);
        }
    }
}

// One step of the presenting worker; false when it has to wait for a change.
bool VideoRendererFilter::RunOnce(platform::Worker::Control& worker) {
    PlaybackContext& context = *Context();
    const std::uint64_t generation = context.Generation();
    const FilterState state = context.State();
    if (state == State_Stopped) {
        return false;
    }
    if (claimedGeneration_ != generation) {
        std::optional<MediaSample> sample = queue_->Pop(std::chrono::milliseconds(0));
        if (!sample) {
            return false;
        }
        Preroll(std::move(*sample));
        return true;
    }
    MediaClock& clock = context.Clock();
    if (state != State_Running || !clock.Running()) {
        if (state == State_Running) {
            context.PollClockStart();
            worker.Wait(kStartPoll);
            return true;
        }
        return false;
    }
    const REFERENCE_TIME now = clock.Now();
    std::optional<REFERENCE_TIME> endAt;
    {
        std::lock_guard lock(mutex_);
        if (endGeneration_ == generation) {
            endAt = lastStop_;
        }
    }
    if (endAt) {
        if (endedGeneration_ == generation) {
            return false;
        }
        if (now >= *endAt) {
            endedGeneration_ = generation;
            context.StreamEnded(streamId_, generation);
            return true;
        }
        WaitForWakeUntil(worker, clock.DueTime(*endAt));
        return true;
    }
    const std::optional<SampleQueue::Peeked> next = queue_->Peek();
    if (!next) {
        return false;
    }
    if (next->kind == MediaSample::Kind::Picture && next->start > now) {
        WaitForWakeUntil(worker, clock.DueTime(next->start));
        return true;
    }
    // Due. When the one after it is due as well this one is late: drop it.
    const std::optional<SampleQueue::Peeked> after = queue_->Peek(1);
    const bool late = after && after->kind == MediaSample::Kind::Picture && after->start <= now;
    std::optional<MediaSample> sample = queue_->Pop(std::chrono::milliseconds(0));
    if (!sample) {
        return true;  // a seek took it meanwhile
    }
    if (sample->generation != generation) {
        Preroll(std::move(*sample));  // the first of a seek that came meanwhile
    } else if (sample->kind == MediaSample::Kind::EndOfStream) {
        SetEnd(generation, std::nullopt);
    } else if (!late) {
        Present(std::move(*sample));
    } else {
        Passed(sample->picture);
    }
    return true;
}

// Taking the lock first, a waiter that has just looked at its condition is
// already waiting when the notice comes.
void VideoRendererFilter::NotifyWaiters() {
    { std::lock_guard lock(mutex_); }
    presented_.notify_all();
}

// The first sample of a segment shows at once, paused or not.
void VideoRendererFilter::Preroll(MediaSample sample) {
    PlaybackContext& context = *Context();
    const std::uint64_t generation = sample.generation;
    claimedGeneration_ = generation;
    if (sample.kind == MediaSample::Kind::EndOfStream) {
        SetEnd(generation, context.Target());
    } else {
        Present(std::move(sample));
    }
    context.StreamReady(streamId_, generation);
}

// The end of stream is taken; with `stop` it stands in for a picture shown up to there.
void VideoRendererFilter::SetEnd(std::uint64_t generation, std::optional<REFERENCE_TIME> stop) {
    {
        std::lock_guard lock(mutex_);
        endGeneration_ = generation;
        if (stop) {
            lastStop_ = *stop;
            shownGeneration_ = generation;
            shownStart_ = *stop;
        }
    }
    presented_.notify_all();
}

void VideoRendererFilter::Present(MediaSample sample) {
    std::lock_guard presenting(presentMutex_);
    bool behind = false;
    {
        std::lock_guard lock(mutex_);
        // A frame step may have shown a later picture while the worker held this one.
        behind = sample.generation == shownGeneration_ && sample.start < shownStart_;
    }
    if (behind) {
        Passed(sample.picture);
        return;
    }
    Prepare(sample.picture);
    {
        std::lock_guard lock(mutex_);
        current_ = sample.picture;
        lastStop_ = sample.stop;
        shownGeneration_ = sample.generation;
        shownStart_ = sample.start;
    }
    presented_.notify_all();
    RequestRepaint();
}

HRESULT VideoRendererFilter::StepOne(std::chrono::milliseconds timeout, REFERENCE_TIME& shownAt) {
    if (!WaitForPresentation(timeout)) {
        return VFW_E_TIMEOUT;
    }
    const std::uint64_t generation = Context()->Generation();
    if (EndTaken(generation)) {
        return S_FALSE;
    }
    Context()->AskForPictures();
    // Paused, the worker takes nothing more and the next picture waits at the front;
    // but a worker that was still running as the step paused the graph may take that
    // picture or the end of stream meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<SampleQueue::Peeked> next = queue_->Peek(0, kStepPoll);
        if (next && next->kind == MediaSample::Kind::EndOfStream) {
            return S_FALSE;
        }
        std::optional<MediaSample> sample;
        if (next) {
            sample = queue_->Pop(std::chrono::milliseconds(0));
        }
        if (sample && sample->kind == MediaSample::Kind::EndOfStream) {
            SetEnd(sample->generation, std::nullopt);
            return S_FALSE;
        }
        if (sample) {
            shownAt = sample->start;
            Present(std::move(*sample));
            return S_OK;
        }
        if (EndTaken(generation)) {
            return S_FALSE;
        }
        if (queue_->Closed()) {
            break;
        }
    }
    return VFW_E_TIMEOUT;
}

bool VideoRendererFilter::EndTaken(std::uint64_t generation) const {
    std::lock_guard lock(mutex_);
    return endGeneration_ == generation;
}

bool VideoRendererFilter::WaitForPresentation(std::chrono::milliseconds timeout) {
    const PlaybackContext* context = Context();
    if (context == nullptr || streamId_ == 0 || !queue_) {
        return false;
    }
    std::unique_lock lock(mutex_);
    return presented_.wait_for(lock, timeout, [&] {
        return queue_->Closed() || context->State() == State_Stopped ||
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

// Under the lock the sink cannot go meanwhile; Qt merges the updates into one paint.
void VideoRendererFilter::RequestRepaint() {
    std::lock_guard lock(mutex_);
    platform::UpdateOnGuiThread(sink_);
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

}  // namespace media
