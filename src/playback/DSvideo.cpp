#include "DSvideo.h"

#include "foundation/ErrorReport.h"
#include "media/BaseFilter.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/TaskMemory.h"
#include "platform/DebugOutput.h"
#include "platform/HeapPolicy.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"

#include <QWidget>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

using namespace media;

namespace {

// How far a step back goes.
constexpr REFERENCE_TIME kStepBackUnits = 10'333'354;

Rect ClientRect(QWidget* window) {
    return window != nullptr ? Rect{0, 0, window->width(), window->height()} : Rect{};
}

HRESULT ConfigureEvrDisplay(const std::shared_ptr<BaseFilter>& filter, QWidget* window,
                            std::shared_ptr<IVideoDisplayControl>& out) {
    std::shared_ptr<IGetService> service;
    HRESULT hr = QueryInterface(filter, service);
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<IVideoDisplayControl> display;
    hr = service->GetService(MR_VIDEO_RENDER_SERVICE, display);
    if (Failed(hr)) {
        return hr;
    }
    hr = display->SetVideoWindow(window);
    if (Failed(hr)) {
        return hr;
    }
    hr = display->SetAspectRatioMode(MFVideoARMode_PreservePicture);
    if (Failed(hr)) {
        return hr;
    }
    out = display;
    return S_OK;
}

HRESULT ConfigureWindowless(const std::shared_ptr<BaseFilter>& filter, QWidget* window,
                            std::shared_ptr<IWindowlessControl>& out) {
    std::shared_ptr<IRendererFilterConfig> config;
    HRESULT hr = QueryInterface(filter, config);
    if (Failed(hr)) {
        return hr;
    }
    hr = config->SetRenderingMode(VMRMode_Windowless);
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<IWindowlessControl> control;
    hr = QueryInterface(filter, control);
    if (Failed(hr)) {
        return hr;
    }
    hr = control->SetVideoClippingWindow(window);
    if (Failed(hr)) {
        return hr;
    }
    hr = control->SetAspectRatioMode(VMR_ARMODE_LetterBox);
    if (Failed(hr)) {
        return hr;
    }
    out = control;
    return S_OK;
}

// Seconds to 100 ns units, truncated toward zero; out-of-range values saturate.
REFERENCE_TIME SecondsToUnits(double seconds) {
    const double units = seconds * static_cast<double>(kUnitsPerSecond);
    constexpr double kLimit = 9.2e18;
    if (units >= kLimit) {
        return std::numeric_limits<REFERENCE_TIME>::max();
    }
    if (units <= -kLimit) {
        return std::numeric_limits<REFERENCE_TIME>::min();
    }
    return static_cast<REFERENCE_TIME>(units);
}

}  // namespace

// ---- graph utilities

HRESULT CreateAndAddFilter(const std::shared_ptr<IGraphBuilder>& graph, const QUuid& classId,
                           std::shared_ptr<BaseFilter>& filter, const QString& name) {
    filter.reset();
    if (!graph) {
        return E_POINTER;
    }
    std::shared_ptr<BaseFilter> created;
    HRESULT hr = CreateInstance(classId, created);
    if (Failed(hr)) {
        return hr;
    }
    hr = graph->AddFilter(created, name);
    if (Succeeded(hr)) {
        filter = created;
    }
    return hr;
}

HRESULT RemoveFilterIfUnconnected(const std::shared_ptr<IGraphBuilder>& graph,
                                  const std::shared_ptr<BaseFilter>& filter, bool& removed) {
    removed = false;
    std::shared_ptr<Pin> pin;
    if (Succeeded(FirstConnectedPin(filter, PinDirection::Input, pin))) {
        return S_OK;
    }
    const HRESULT hr = graph->RemoveFilter(filter);
    removed = Succeeded(hr);
    return hr;
}

HRESULT FirstConnectedPin(const std::shared_ptr<BaseFilter>& filter, PinDirection direction,
                          std::shared_ptr<Pin>& pin) {
    pin.reset();
    if (!filter) {
        return E_POINTER;
    }
    std::unique_ptr<PinEnumerator> pins;
    const HRESULT hr = filter->EnumPins(pins);
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<Pin> candidate;
    while (pins->Next(candidate) == S_OK) {
        bool connected = false;
        bool hasDirection = false;
        if (Failed(PinIsConnected(candidate, connected)) ||
            Failed(PinHasDirection(candidate, direction, hasDirection))) {
            return VFW_E_NOT_FOUND;
        }
        if (connected && hasDirection) {
            pin = candidate;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT PinIsConnected(const std::shared_ptr<Pin>& pin, bool& connected) {
    connected = false;
    std::shared_ptr<Pin> peer;
    const HRESULT hr = pin->ConnectedTo(peer);
    if (Succeeded(hr)) {
        connected = true;
        return hr;
    }
    return hr == VFW_E_NOT_CONNECTED ? S_OK : hr;
}

HRESULT PinHasDirection(const std::shared_ptr<Pin>& pin, PinDirection direction,
                        bool& hasDirection) {
    PinDirection actual = PinDirection::Input;
    const HRESULT hr = pin->QueryDirection(actual);
    if (Succeeded(hr)) {
        hasDirection = actual == direction;
    }
    return hr;
}

// ---- CEVR

CEVR::~CEVR() {
    filter_.reset();
    display_.reset();
}

bool CEVR::HasVideo() const {
    return display_ != nullptr;
}

HRESULT CEVR::Attach(const std::shared_ptr<IGraphBuilder>& graph, QWidget* window) {
    std::shared_ptr<BaseFilter> filter;
    HRESULT hr =
        CreateAndAddFilter(graph, CLSID_EnhancedVideoRenderer, filter, QStringLiteral("EVR"));
    if (Failed(hr)) {
        return hr;
    }
    hr = ConfigureEvrDisplay(filter, window, display_);
    if (Failed(hr)) {
        graph->RemoveFilter(filter);  // a renderer that cannot start leaves the graph
        return hr;
    }
    filter_ = filter;
    return hr;
}

HRESULT CEVR::RemoveIfUnconnected(const std::shared_ptr<IGraphBuilder>& graph) {
    if (!filter_) {
        return S_OK;
    }
    bool removed = false;
    const HRESULT hr = RemoveFilterIfUnconnected(graph, filter_, removed);
    if (removed) {
        filter_.reset();
        display_.reset();
    }
    return hr;
}

HRESULT CEVR::SetVideoRect(QWidget* window, const Rect* destination) {
    if (!display_) {
        return S_OK;
    }
    const Rect rect = destination != nullptr ? *destination : ClientRect(window);
    return display_->SetVideoPosition(nullptr, &rect);
}

HRESULT CEVR::Repaint(QWidget*, HDC) {
    return display_ ? display_->RepaintVideo() : S_OK;
}

HRESULT CEVR::OnDisplayChange() {
    return S_OK;
}

HRESULT CEVR::GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    if (!display_) {
        return E_FAIL;
    }
    try {
        if (header == nullptr || bits == nullptr) {
            throw std::invalid_argument("No output");
        }
        NormalizedRect source;
        Rect kept;
        display_->GetVideoPosition(&source, &kept);
        Size native;
        display_->GetNativeVideoSize(&native, nullptr);
        const Rect full{0, 0, native.cx, native.cy};
        display_->SetVideoPosition(nullptr, &full);
        header->biSize = sizeof(BitmapInfoHeader);
        std::uint32_t size = 0;
        REFERENCE_TIME timeStamp = 0;
        const HRESULT hr = display_->GetCurrentImage(header, bits, &size, &timeStamp);
        display_->SetVideoPosition(nullptr, &kept);
        return hr;
    } catch (const std::exception& e) {
        EXCEPTION_LOG_LINE("CEVR::GetCurrentImage", e);
        return S_FALSE;
    }
}

HRESULT CEVR::MemFreeCurrentImage(std::uint8_t* bits) {
    TaskMemFree(bits);
    return S_OK;
}

// ---- CVMR9, CVMR7

CWindowlessRenderer::CWindowlessRenderer(const QUuid& classId, const char* filterName)
    : classId_(classId), filterName_(filterName) {}

CWindowlessRenderer::~CWindowlessRenderer() {
    control_.reset();
}

bool CWindowlessRenderer::HasVideo() const {
    return control_ != nullptr;
}

HRESULT CWindowlessRenderer::Attach(const std::shared_ptr<IGraphBuilder>& graph, QWidget* window) {
    std::shared_ptr<BaseFilter> filter;
    HRESULT hr = CreateAndAddFilter(graph, classId_, filter, QString::fromLatin1(filterName_));
    if (Failed(hr)) {
        return hr;
    }
    hr = ConfigureWindowless(filter, window, control_);
    if (Failed(hr)) {
        graph->RemoveFilter(filter);  // a renderer that cannot start leaves the graph
    }
    return hr;
}

HRESULT CWindowlessRenderer::RemoveIfUnconnected(const std::shared_ptr<IGraphBuilder>& graph) {
    if (!control_) {
        return S_OK;
    }
    std::shared_ptr<BaseFilter> filter;
    HRESULT hr = QueryInterface(control_, filter);
    if (Failed(hr)) {
        return hr;
    }
    bool removed = false;
    hr = RemoveFilterIfUnconnected(graph, filter, removed);
    if (removed) {
        control_.reset();
    }
    return hr;
}

HRESULT CWindowlessRenderer::SetVideoRect(QWidget* window, const Rect* destination) {
    if (!control_) {
        return S_OK;
    }
    const Rect rect = destination != nullptr ? *destination : ClientRect(window);
    return control_->SetVideoPosition(nullptr, &rect);
}

HRESULT CWindowlessRenderer::Repaint(QWidget* window, HDC dc) {
    return control_ ? control_->RepaintVideo(window, dc) : S_OK;
}

HRESULT CWindowlessRenderer::OnDisplayChange() {
    return control_ ? control_->DisplayModeChanged() : S_OK;
}

HRESULT CWindowlessRenderer::GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits) {
    if (bits == nullptr || header == nullptr) {
        return E_POINTER;
    }
    *bits = nullptr;
    if (!control_) {
        return E_FAIL;
    }
    std::uint8_t* block = nullptr;
    const HRESULT hr = control_->GetCurrentImage(&block);
    if (hr != S_OK || block == nullptr) {
        return Failed(hr) ? hr : E_FAIL;
    }
    std::memcpy(header, block, sizeof(BitmapInfoHeader));
    *bits = block + sizeof(BitmapInfoHeader);
    return S_OK;
}

HRESULT CWindowlessRenderer::MemFreeCurrentImage(std::uint8_t* bits) {
    if (bits != nullptr) {
        TaskMemFree(bits - sizeof(BitmapInfoHeader));
    }
    return S_OK;
}

CVMR9::CVMR9() : CWindowlessRenderer(CLSID_VideoMixingRenderer9, "VMR-9") {}

CVMR7::CVMR7() : CWindowlessRenderer(CLSID_VideoMixingRenderer, "VMR-7") {}

// ---- DShowPlayer

DShowPlayer::DShowPlayer(QWidget* videoWindow) : videoWindow_(videoWindow) {}

DShowPlayer::~DShowPlayer() {
    ReleaseGraph();
}

void DShowPlayer::Destroy(DShowPlayer* player) {
    if (player == nullptr) {
        return;
    }
    player->ReleaseGraph();
    if (player->drainDepth_ > 0) {
        player->destroyPending_ = true;  // HandleGraphEvent deletes it when it unwinds
        return;
    }
    delete player;
}

HRESULT DShowPlayer::OpenFile(const QString& path) {
    HRESULT hr = CreateGraph();
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<BaseFilter> source;
    hr = graph_->AddSourceFilter(path, QString(), source);
    if (Succeeded(hr)) {
        hr = RenderSourcePins(source);
    }
    if (Failed(hr)) {
        ReleaseGraph();
    }
    return hr;
}

HRESULT DShowPlayer::CreateGraph() {
    ReleaseGraph();
    HRESULT hr = CreateInstance(CLSID_FilterGraph, graph_);
    if (Succeeded(hr)) {
        hr = QueryInterface(graph_, control_);
    }
    if (Succeeded(hr)) {
        hr = QueryInterface(graph_, events_);
    }
    if (Succeeded(hr)) {
        hr = QueryInterface(graph_, seeking_);
    }
    if (Succeeded(hr)) {
        hr = QueryInterface(graph_, frameStep_);
    }
    if (Succeeded(hr)) {
        hr = events_->SetNotifyWindow(videoWindow_, WM_GRAPH_NOTIFY,
                                      reinterpret_cast<LONG_PTR>(this));
    }
    if (Failed(hr)) {
        ReleaseGraph();
        return hr;
    }
    state_ = STATE_STOPPED;
    return hr;
}

void DShowPlayer::ReleaseGraph() {
    const bool had = graph_ != nullptr;
    if (events_) {
        events_->SetNotifyWindow(nullptr, 0, 0);
    }
    seeking_.reset();
    frameStep_.reset();
    graph_.reset();
    control_.reset();
    events_.reset();
    videoRenderer_.reset();
    state_ = STATE_NO_GRAPH;
    if (had) {
        // Its threads are joined: what they freed would stay resident in the heap.
        platform::ReturnFreeHeap();
    }
}

HRESULT DShowPlayer::RenderSourcePins(const std::shared_ptr<BaseFilter>& source) {
    std::shared_ptr<IFilterGraph2> graph2;
    HRESULT hr = QueryInterface(graph_, graph2);
    if (Failed(hr)) {
        return hr;
    }
    hr = ChooseVideoRenderer();
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<BaseFilter> decoder;
    hr = CreateAndAddFilter(graph_, CLSID_LAVVideoDecoder, decoder,
                            QStringLiteral("LAV Video Decoder"));
    if (Failed(hr)) {
        return hr;
    }
    std::shared_ptr<BaseFilter> audioRenderer;
    hr = CreateAndAddFilter(graph_, CLSID_DSoundRender, audioRenderer,
                            QStringLiteral("Audio Renderer"));
    if (Failed(hr)) {
        return hr;
    }
    std::unique_ptr<PinEnumerator> pins;
    hr = source->EnumPins(pins);
    if (Failed(hr)) {
        return hr;
    }
    bool rendered = false;
    std::shared_ptr<Pin> pin;
    while (pins->Next(pin) == S_OK) {
        if (Succeeded(graph2->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr))) {
            rendered = true;
        }
        pin.reset();
    }
    hr = videoRenderer_->RemoveIfUnconnected(graph_);
    if (Failed(hr)) {
        return hr;
    }
    bool removed = false;
    hr = RemoveFilterIfUnconnected(graph_, audioRenderer, removed);
    if (Failed(hr)) {
        return hr;
    }
    return rendered ? S_OK : VFW_E_CANNOT_RENDER;
}

HRESULT DShowPlayer::ChooseVideoRenderer() {
    HRESULT hr = E_FAIL;
    for (int kind = 0; kind < 3; ++kind) {
        CVideoRenderer* renderer = nullptr;
        switch (kind) {
            case 0:
                renderer = new (std::nothrow) CEVR();
                break;
            case 1:
                renderer = new (std::nothrow) CVMR9();
                break;
            default:
                renderer = new (std::nothrow) CVMR7();
                break;
        }
        if (renderer == nullptr) {
            return E_OUTOFMEMORY;
        }
        videoRenderer_.reset(renderer);
        hr = videoRenderer_->Attach(graph_, videoWindow_);
        if (Succeeded(hr)) {
            return hr;
        }
        videoRenderer_.reset();
    }
    return hr;
}

HRESULT DShowPlayer::Play() {
    if (state_ != STATE_PAUSED && state_ != STATE_STOPPED) {
        return VFW_E_WRONG_STATE;
    }
    const HRESULT hr = control_->Run();
    if (Succeeded(hr)) {
        state_ = STATE_RUNNING;
    }
    return hr;
}

HRESULT DShowPlayer::Pause() {
    if (!control_) {
        return VFW_E_WRONG_STATE;
    }
    const HRESULT hr = control_->Pause();
    if (Succeeded(hr)) {
        state_ = STATE_PAUSED;
    }
    return hr;
}

HRESULT DShowPlayer::Stop() {
    if (state_ != STATE_RUNNING && state_ != STATE_PAUSED) {
        return VFW_E_WRONG_STATE;
    }
    const HRESULT hr = control_->Stop();
    if (Succeeded(hr)) {
        state_ = STATE_STOPPED;
    }
    return hr;
}

bool DShowPlayer::HasVideo() const {
    return videoRenderer_ && videoRenderer_->HasVideo();
}

HRESULT DShowPlayer::SetVideoRect(const Rect* destination) {
    return videoRenderer_ ? videoRenderer_->SetVideoRect(videoWindow_, destination) : S_OK;
}

HRESULT DShowPlayer::Repaint(HDC dc) {
    return videoRenderer_ ? videoRenderer_->Repaint(videoWindow_, dc) : S_OK;
}

HRESULT DShowPlayer::OnDisplayChange() {
    return videoRenderer_ ? videoRenderer_->OnDisplayChange() : S_OK;
}

HRESULT DShowPlayer::HandleGraphEvent() {
    if (!events_) {
        return E_UNEXPECTED;
    }
    ++drainDepth_;
    HRESULT hr = S_OK;
    try {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        // The handlers below may stop this player or release its graph.
        while (events_ && Succeeded(events_->GetEvent(code, param1, param2, 0))) {
            switch (code) {
                case EC_COMPLETE:
                    platform::SendWindowMessage(videoWindow_, WM_PLAY_COMPLETE,
                                                reinterpret_cast<platform::WPARAM>(this), 0);
                    break;
                case EC_USERABORT:
                    Stop();
                    break;
                case EC_ERRORABORT:
                    platform::MessageBox::Show(videoWindow_, QStringLiteral("Playback error."),
                                               QStringLiteral("Error"), platform::MB_ICONHAND);
                    Stop();
                    break;
                default:
                    break;
            }
            if (!events_) {
                break;
            }
            hr = events_->FreeEventParams(code, param1, param2);
            if (Failed(hr)) {
                break;
            }
        }
    } catch (const std::exception&) {
        platform::DebugOutput::Write(QStringLiteral("HandleGraphEvent Exception"));
        hr = S_FALSE;
    }
    --drainDepth_;
    if (drainDepth_ == 0 && destroyPending_) {
        delete this;
    }
    return hr;
}

double DShowPlayer::GetPositionSeconds() {
    REFERENCE_TIME position = 0;
    if (!seeking_ || Failed(seeking_->GetCurrentPosition(position))) {
        return 0.0;
    }
    return static_cast<double>(position) * 1e-7;
}

HRESULT DShowPlayer::SeekUnits(REFERENCE_TIME position) {
    return seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning);
}

HRESULT DShowPlayer::SeekSeconds(double seconds) {
    if (!seeking_) {
        return S_FALSE;
    }
    if (std::isnan(seconds)) {
        return E_INVALIDARG;
    }
    return SeekUnits(SecondsToUnits(seconds));
}

HRESULT DShowPlayer::SeekSecondsAndPlay(double seconds) {
    if (seeking_) {
        SeekSeconds(seconds);
    }
    return Play();
}

void DShowPlayer::StepOneFrame() {
    if (frameStep_) {
        frameStep_->Step(1, nullptr);
    }
}

HRESULT DShowPlayer::StepBack() {
    if (!graph_) {
        return S_OK;
    }
    REFERENCE_TIME position = 0;
    seeking_->GetCurrentPosition(position);
    // Never before the start: a step back from the first second shows the first picture.
    SeekUnits(std::max<REFERENCE_TIME>(0, position - kStepBackUnits));
    return control_->Pause();
}

HRESULT DShowPlayer::SetRate(double rate) {
    if (!seeking_) {
        return S_FALSE;
    }
    return seeking_->SetRate(rate);
}

HRESULT DShowPlayer::SetVolume(double volume) {
    if (std::isnan(volume)) {
        return E_INVALIDARG;
    }
    volume = std::clamp(volume, 1.0, 100.0);
    if (!graph_) {
        return S_FALSE;
    }
    std::shared_ptr<IBasicAudio> audio;
    const HRESULT hr = QueryInterface(graph_, audio);
    if (Failed(hr)) {
        return hr;
    }
    audio->PutVolume(static_cast<long>((1.0 - std::log10(volume) * 0.5) * -10000.0));
    return hr;
}

HRESULT DShowPlayer::GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits) {
    if (!videoRenderer_) {
        if (bits != nullptr) {
            *bits = nullptr;
        }
        return E_FAIL;
    }
    return videoRenderer_->GetCurrentImage(header, bits);
}

HRESULT DShowPlayer::MemFreeCurrentImage(std::uint8_t* bits) {
    if (bits == nullptr || !videoRenderer_) {
        return S_OK;
    }
    return videoRenderer_->MemFreeCurrentImage(bits);
}
