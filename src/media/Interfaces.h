#pragma once

#include "media/MediaResult.h"
#include "media/MediaTypes.h"

#include <QString>
#include <QUuid>

#include <memory>

class QObject;
class QWidget;

namespace media {

class BaseFilter;
class Pin;

// Every object the factory makes. Its facets are reached with QueryInterface.
class MediaObject {
  public:
    virtual ~MediaObject() = default;
};

template <class To, class From>
HRESULT QueryInterface(const std::shared_ptr<From>& from, std::shared_ptr<To>& out) {
    out.reset();
    if (!from) {
        return E_POINTER;
    }
    out = std::dynamic_pointer_cast<To>(from);
    return out ? S_OK : E_NOINTERFACE;
}

class IGraphBuilder : public virtual MediaObject {
  public:
    virtual HRESULT AddFilter(const std::shared_ptr<BaseFilter>& filter, const QString& name) = 0;
    virtual HRESULT RemoveFilter(const std::shared_ptr<BaseFilter>& filter) = 0;
    virtual HRESULT AddSourceFilter(const QString& path, const QString& name,
                                    std::shared_ptr<BaseFilter>& out) = 0;
    virtual HRESULT FindFilterByName(const QString& name, std::shared_ptr<BaseFilter>& out) = 0;
};

class IFilterGraph2 : public virtual MediaObject {
  public:
    // Connects the output pin through the filters the graph has (and the decoders it
    // may add) to a renderer already in the graph.
    virtual HRESULT RenderEx(const std::shared_ptr<Pin>& pin, std::uint32_t flags,
                             void* reserved) = 0;
};

class IMediaControl : public virtual MediaObject {
  public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(long timeoutMs, FilterState& state) = 0;
};

class IMediaEventEx : public virtual MediaObject {
  public:
    // E_ABORT when no event came within the time-out.
    virtual HRESULT GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long timeoutMs) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    // Every queued event posts `message` (wParam 0, lParam `instance`) to `window`.
    // Notifications still queued when the target is changed or the graph goes are dropped.
    virtual HRESULT SetNotifyWindow(QObject* window, std::uint32_t message, LONG_PTR instance) = 0;
};

class IMediaSeeking : public virtual MediaObject {
  public:
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME& position) = 0;
    virtual HRESULT GetDuration(REFERENCE_TIME& duration) = 0;
    virtual HRESULT SetPositions(REFERENCE_TIME* current, std::uint32_t currentFlags,
                                 REFERENCE_TIME* stop, std::uint32_t stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double& rate) = 0;
};

class IVideoFrameStep : public virtual MediaObject {
  public:
    // Shows the next `frames` pictures and leaves the graph paused; returns when done.
    virtual HRESULT Step(std::uint32_t frames, MediaObject* stepObject) = 0;
};

class IBasicAudio : public virtual MediaObject {
  public:
    // Hundredths of a decibel, -10000 (silence) .. 0 (full level).
    virtual HRESULT PutVolume(long volume) = 0;
    virtual HRESULT GetVolume(long& volume) = 0;
};

// Display control of the GL renderer.
class IVideoDisplayControl : public virtual MediaObject {
  public:
    virtual HRESULT SetVideoWindow(QWidget* window) = 0;
    virtual HRESULT SetAspectRatioMode(std::uint32_t mode) = 0;
    virtual HRESULT SetVideoPosition(const NormalizedRect* source, const Rect* destination) = 0;
    virtual HRESULT GetVideoPosition(NormalizedRect* source, Rect* destination) = 0;
    virtual HRESULT GetNativeVideoSize(Size* native, Size* aspect) = 0;
    virtual HRESULT RepaintVideo() = 0;
    // Fills the header; the bits come from TaskMemAlloc and go back with TaskMemFree.
    virtual HRESULT GetCurrentImage(BitmapInfoHeader* header, std::uint8_t** bits,
                                    std::uint32_t* size, REFERENCE_TIME* timeStamp) = 0;
};

class IGetService : public virtual MediaObject {
  public:
    virtual HRESULT GetService(const QUuid& service,
                               std::shared_ptr<IVideoDisplayControl>& out) = 0;
};

// Configuration and windowless control of the raster renderers.
class IRendererFilterConfig : public virtual MediaObject {
  public:
    virtual HRESULT SetRenderingMode(std::uint32_t mode) = 0;
};

class IWindowlessControl : public virtual MediaObject {
  public:
    virtual HRESULT SetVideoClippingWindow(QWidget* window) = 0;
    virtual HRESULT SetAspectRatioMode(std::uint32_t mode) = 0;
    virtual HRESULT SetVideoPosition(const Rect* source, const Rect* destination) = 0;
    virtual HRESULT RepaintVideo(QWidget* window, HDC dc) = 0;
    virtual HRESULT DisplayModeChanged() = 0;
    // One TaskMemAlloc block: the header, then the bits.
    virtual HRESULT GetCurrentImage(std::uint8_t** block) = 0;
};

}  // namespace media
