#pragma once

#include "media/BaseFilter.h"
#include "media/Interfaces.h"
#include "media/PlaybackContext.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace media {

class AudioRendererFilter;
class NotifyRelay;
class VideoRendererFilter;

// The filter graph manager: holds the named filters, connects pins, drives the
// state, the seeks, the rate, frame steps and the volume, and queues events that
// it announces to a notify window. Its interface is used from the GUI thread; the
// filters' threads reach it only through the shared PlaybackContext.
class FilterGraph : public IGraphBuilder,
                    public IFilterGraph2,
                    public IMediaControl,
                    public IMediaEventEx,
                    public IMediaSeeking,
                    public IVideoFrameStep,
                    public IBasicAudio {
  public:
    FilterGraph();
    ~FilterGraph() override;
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    HRESULT AddFilter(const std::shared_ptr<BaseFilter>& filter, const QString& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<BaseFilter>& filter) override;
    HRESULT AddSourceFilter(const QString& path, const QString& name,
                            std::shared_ptr<BaseFilter>& out) override;
    HRESULT FindFilterByName(const QString& name, std::shared_ptr<BaseFilter>& out) override;

    HRESULT RenderEx(const std::shared_ptr<Pin>& pin, std::uint32_t flags, void* reserved) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(long timeoutMs, FilterState& state) override;

    HRESULT GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long timeoutMs) override;
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(QObject* window, std::uint32_t message, LONG_PTR instance) override;

    HRESULT GetCurrentPosition(REFERENCE_TIME& position) override;
    HRESULT GetDuration(REFERENCE_TIME& duration) override;
    HRESULT SetPositions(REFERENCE_TIME* current, std::uint32_t currentFlags, REFERENCE_TIME* stop,
                         std::uint32_t stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double& rate) override;

    HRESULT Step(std::uint32_t frames, MediaObject* stepObject) override;

    HRESULT PutVolume(long volume) override;
    HRESULT GetVolume(long& volume) override;

    // The filters in the order they were added.
    std::vector<std::shared_ptr<BaseFilter>> Filters() const;

  private:
    struct Event {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
    };

    HRESULT RenderPin(Pin& output);
    HRESULT RenderThrough(Pin& output, BaseFilter& filter);
    HRESULT RenderWithNewFilter(Pin& output, const QUuid& classId, const QString& name);
    HRESULT Connect(Pin& output, Pin& input);
    void Disconnect(Pin& pin);
    void DisconnectAll(BaseFilter& filter);
    void StartStreaming();
    void WakeFilters();
    void QueueEvent(long code, LONG_PTR param);
    QString UniqueName(const QString& name) const;
    VideoRendererFilter* VideoRenderer() const;
    REFERENCE_TIME PositionLimit() const;
    AudioRendererFilter* AudioRenderer() const;

    PlaybackContext context_;
    mutable std::mutex filtersMutex_;
    std::vector<std::shared_ptr<BaseFilter>> filters_;
    bool streaming_ = false;

    std::mutex eventMutex_;
    std::condition_variable eventQueued_;
    std::deque<Event> events_;
    NotifyRelay* relay_ = nullptr;
    std::uint32_t notifyMessage_ = 0;
    LONG_PTR notifyInstance_ = 0;
};

}  // namespace media
