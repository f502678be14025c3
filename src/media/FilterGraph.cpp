#include "FilterGraph.h"

#include "media/AudioRendererFilter.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/NotifyRelay.h"
#include "media/SourceFilter.h"
#include "media/VideoRendererFilter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace media {

namespace {

constexpr std::chrono::milliseconds kStepTimeout{5000};
constexpr long kMinVolume = -10000;

}  // namespace

FilterGraph::FilterGraph()
    : context_([this](long code, LONG_PTR param) { QueueEvent(code, param); },
               [this] { WakeFilters(); }) {}

FilterGraph::~FilterGraph() {
    SetNotifyWindow(nullptr, 0, 0);
    const std::vector<std::shared_ptr<BaseFilter>> filters = Filters();
    for (const auto& filter : filters) {
        filter->BeginStop();
    }
    for (const auto& filter : filters) {
        filter->StopStreaming();
    }
    for (const auto& filter : filters) {
        DisconnectAll(*filter);
        filter->JoinGraph(nullptr, QString());
    }
    std::lock_guard lock(filtersMutex_);
    filters_.clear();
}

std::vector<std::shared_ptr<BaseFilter>> FilterGraph::Filters() const {
    std::lock_guard lock(filtersMutex_);
    return filters_;
}

HRESULT FilterGraph::AddFilter(const std::shared_ptr<BaseFilter>& filter, const QString& name) {
    if (!filter) {
        return E_POINTER;
    }
    if (filter->Context() != nullptr) {
        return E_UNEXPECTED;  // already in a graph
    }
    filter->JoinGraph(&context_, UniqueName(name));
    std::lock_guard lock(filtersMutex_);
    filters_.push_back(filter);
    return S_OK;
}

HRESULT FilterGraph::RemoveFilter(const std::shared_ptr<BaseFilter>& filter) {
    if (!filter) {
        return E_POINTER;
    }
    {
        std::lock_guard lock(filtersMutex_);
        if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) {
            return VFW_E_NOT_IN_GRAPH;
        }
    }
    if (streaming_ && filter->HasConnectedPin()) {
        return VFW_E_NOT_STOPPED;
    }
    filter->StopStreaming();
    DisconnectAll(*filter);
    filter->JoinGraph(nullptr, QString());
    std::lock_guard lock(filtersMutex_);
    filters_.erase(std::find(filters_.begin(), filters_.end(), filter));
    return S_OK;
}

HRESULT FilterGraph::AddSourceFilter(const QString& path, const QString& name,
                                     std::shared_ptr<BaseFilter>& out) {
    out.reset();
    std::shared_ptr<SourceFilter> source;
    const HRESULT created = CreateInstance(CLSID_FileSource, source);
    if (Failed(created)) {
        return created;
    }
    // The indexing worker may find the end of the pictures later; it stops before
    // the graph goes.
    source->SetDurationSink([this](REFERENCE_TIME duration) { context_.SetDuration(duration); });
    const HRESULT loaded = source->Load(path);
    if (Failed(loaded)) {
        return loaded;
    }
    const HRESULT added = AddFilter(source, name.isEmpty() ? path : name);
    if (Failed(added)) {
        return added;
    }
    out = source;
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(const QString& name, std::shared_ptr<BaseFilter>& out) {
    out.reset();
    for (const auto& filter : Filters()) {
        if (filter->Name() == name) {
            out = filter;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::RenderEx(const std::shared_ptr<Pin>& pin, std::uint32_t, void*) {
    if (!pin) {
        return E_POINTER;
    }
    if (pin->Direction() != PinDirection::Output || pin->Filter().Context() != &context_) {
        return E_INVALIDARG;
    }
    if (pin->IsConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    return RenderPin(*pin);
}

// Connects to a filter already in the graph (a renderer, or a decoder whose output
// then renders), else through a decoder the graph adds; never adds a renderer.
HRESULT FilterGraph::RenderPin(Pin& output) {
    for (const auto& filter : Filters()) {
        if (filter.get() == &output.Filter()) {
            continue;
        }
        if (Succeeded(RenderThrough(output, *filter))) {
            return S_OK;
        }
    }
    if (output.Type().major == MajorType::Audio && output.Type().compressed) {
        return RenderWithNewFilter(output, CLSID_AudioDecoder, QStringLiteral("Audio Decoder"));
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderThrough(Pin& output, BaseFilter& filter) {
    Pin* input = filter.FirstPin(PinDirection::Input);
    if (input == nullptr || input->IsConnected() || Failed(filter.CheckInputType(output.Type()))) {
        return VFW_E_CANNOT_RENDER;
    }
    if (Failed(Connect(output, *input))) {
        return VFW_E_CANNOT_RENDER;
    }
    if (filter.IsRenderer()) {
        return S_OK;
    }
    Pin* next = filter.FirstPin(PinDirection::Output);
    if (next != nullptr && Succeeded(RenderPin(*next))) {
        return S_OK;
    }
    Disconnect(output);
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderWithNewFilter(Pin& output, const QUuid& classId, const QString& name) {
    std::shared_ptr<BaseFilter> filter;
    if (Failed(CreateInstance(classId, filter)) || Failed(filter->CheckInputType(output.Type())) ||
        Failed(AddFilter(filter, name))) {
        return VFW_E_CANNOT_RENDER;
    }
    if (Succeeded(RenderThrough(output, *filter))) {
        return S_OK;
    }
    RemoveFilter(filter);
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::Connect(Pin& output, Pin& input) {
    BaseFilter& downstream = input.Filter();
    const MediaType type = output.Type();
    if (Failed(downstream.CheckInputType(type))) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    input.SetType(type);
    output.SetPeer(&input);
    input.SetPeer(&output);
    const HRESULT completed = downstream.CompleteInputConnect(input, type);
    if (Failed(completed)) {
        output.SetPeer(nullptr);
        input.SetPeer(nullptr);
        return completed;
    }
    return S_OK;
}

void FilterGraph::Disconnect(Pin& pin) {
    Pin* peer = pin.Peer();
    if (peer == nullptr) {
        return;
    }
    Pin& input = pin.Direction() == PinDirection::Input ? pin : *peer;
    pin.SetPeer(nullptr);
    peer->SetPeer(nullptr);
    input.Filter().BreakInputConnect(input);
}

void FilterGraph::DisconnectAll(BaseFilter& filter) {
    for (const auto& pin : filter.Pins()) {
        Disconnect(*pin);
    }
}

void FilterGraph::StartStreaming() {
    if (streaming_) {
        return;
    }
    streaming_ = true;
    if (context_.Generation() == 0) {
        context_.BeginSegment(0, 0);
    }
    for (const auto& filter : Filters()) {
        filter->StartStreaming();
    }
}

void FilterGraph::WakeFilters() {
    for (const auto& filter : Filters()) {
        filter->Wake();
    }
}

HRESULT FilterGraph::Run() {
    StartStreaming();
    context_.SetState(State_Running);
    return S_OK;
}

HRESULT FilterGraph::Pause() {
    StartStreaming();
    context_.SetState(State_Paused);
    return S_OK;
}

HRESULT FilterGraph::Stop() {
    context_.SetState(State_Stopped);
    return S_OK;
}

HRESULT FilterGraph::GetState(long, FilterState& state) {
    state = context_.State();
    return S_OK;
}

void FilterGraph::QueueEvent(long code, LONG_PTR param) {
    std::lock_guard lock(eventMutex_);
    events_.push_back(Event{code, param, 0});
    eventQueued_.notify_all();
    if (relay_ != nullptr) {
        platform::PostWindowMessage(relay_, notifyMessage_, 0, notifyInstance_);
    }
}

HRESULT FilterGraph::GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long timeoutMs) {
    std::unique_lock lock(eventMutex_);
    if (!eventQueued_.wait_for(lock, std::chrono::milliseconds(std::max(0L, timeoutMs)),
                               [this] { return !events_.empty(); })) {
        return E_ABORT;
    }
    const Event event = events_.front();
    events_.pop_front();
    code = event.code;
    param1 = event.param1;
    param2 = event.param2;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(long, LONG_PTR, LONG_PTR) {
    return S_OK;
}

HRESULT FilterGraph::SetNotifyWindow(QObject* window, std::uint32_t message, LONG_PTR instance) {
    std::lock_guard lock(eventMutex_);
    if (relay_ != nullptr) {
        relay_->Disable();
        relay_->deleteLater();
        relay_ = nullptr;
    }
    if (window != nullptr) {
        relay_ = new NotifyRelay(window);
    }
    notifyMessage_ = message;
    notifyInstance_ = instance;
    return S_OK;
}

// While the source's duration is only that of the part of the file indexed so far,
// a seek (a time on the play list's time line) may lie beyond it.
REFERENCE_TIME FilterGraph::PositionLimit() const {
    for (const auto& filter : Filters()) {
        const auto* source = dynamic_cast<const SourceFilter*>(filter.get());
        if (source != nullptr && !source->DurationFinal()) {
            return std::numeric_limits<REFERENCE_TIME>::max();
        }
    }
    return context_.Duration();
}

HRESULT FilterGraph::GetCurrentPosition(REFERENCE_TIME& position) {
    position = std::clamp<REFERENCE_TIME>(context_.Clock().Now(), 0, PositionLimit());
    return S_OK;
}

HRESULT FilterGraph::GetDuration(REFERENCE_TIME& duration) {
    duration = context_.Duration();
    return S_OK;
}

HRESULT FilterGraph::SetPositions(REFERENCE_TIME* current, std::uint32_t currentFlags,
                                  REFERENCE_TIME*, std::uint32_t) {
    if (current == nullptr || (currentFlags & 0x3) == AM_SEEKING_NoPositioning) {
        return S_OK;
    }
    REFERENCE_TIME target = *current;
    if ((currentFlags & 0x3) != AM_SEEKING_AbsolutePositioning) {
        target += context_.Clock().Now();
    }
    context_.BeginSegment(std::clamp<REFERENCE_TIME>(target, 0, PositionLimit()), 0);
    return S_OK;
}

HRESULT FilterGraph::SetRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0) {
        return E_INVALIDARG;
    }
    context_.Clock().SetRate(rate);
    WakeFilters();
    return S_OK;
}

HRESULT FilterGraph::GetRate(double& rate) {
    rate = context_.Clock().Rate();
    return S_OK;
}

HRESULT FilterGraph::Step(std::uint32_t frames, MediaObject*) {
    VideoRendererFilter* renderer = VideoRenderer();
    if (frames == 0 || renderer == nullptr) {
        return frames == 0 ? E_INVALIDARG : E_FAIL;
    }
    if (context_.State() != State_Paused) {
        Pause();
    }
    HRESULT result = S_OK;
    for (std::uint32_t i = 0; i < frames && result == S_OK; ++i) {
        REFERENCE_TIME shownAt = 0;
        result = renderer->StepOne(kStepTimeout, shownAt);
        if (result == S_OK) {
            context_.Clock().SetPosition(shownAt);
            WakeFilters();
        }
    }
    return result;
}

HRESULT FilterGraph::PutVolume(long volume) {
    AudioRendererFilter* renderer = AudioRenderer();
    if (renderer == nullptr) {
        return E_NOTIMPL;
    }
    if (volume < kMinVolume || volume > 0) {
        return E_INVALIDARG;
    }
    renderer->SetVolume(volume);
    return S_OK;
}

HRESULT FilterGraph::GetVolume(long& volume) {
    AudioRendererFilter* renderer = AudioRenderer();
    if (renderer == nullptr) {
        return E_NOTIMPL;
    }
    volume = renderer->Volume();
    return S_OK;
}

QString FilterGraph::UniqueName(const QString& name) const {
    QString unique = name;
    std::shared_ptr<BaseFilter> found;
    for (int n = 1; Succeeded(const_cast<FilterGraph*>(this)->FindFilterByName(unique, found));
         ++n) {
        unique = QStringLiteral("%1 %2").arg(name).arg(n, 4, 10, QLatin1Char('0'));
    }
    return unique;
}

VideoRendererFilter* FilterGraph::VideoRenderer() const {
    for (const auto& filter : Filters()) {
        auto* renderer = dynamic_cast<VideoRendererFilter*>(filter.get());
        if (renderer != nullptr && renderer->HasConnectedPin()) {
            return renderer;
        }
    }
    return nullptr;
}

AudioRendererFilter* FilterGraph::AudioRenderer() const {
    for (const auto& filter : Filters()) {
        auto* renderer = dynamic_cast<AudioRendererFilter*>(filter.get());
        if (renderer != nullptr && renderer->HasConnectedPin()) {
            return renderer;
        }
    }
    return nullptr;
}

}  // namespace media
