#pragma once

#include "foundation/MessageNumbers.h"
#include "media/Interfaces.h"
#include "media/MediaResult.h"
#include "media/MediaTypes.h"
#include "platform/HResult.h"

#include <QUuid>

#include <cstdint>
#include <memory>

class QWidget;

using platform::HRESULT;

enum PlayerState : std::int32_t {
    STATE_NO_GRAPH = 0,
    STATE_RUNNING = 1,
    STATE_PAUSED = 2,
    STATE_STOPPED = 3
};

// The video output of a player: one of three renderers, bound to the video window.
class CVideoRenderer {
  public:
    virtual ~CVideoRenderer() = default;
    virtual bool HasVideo() const = 0;
    virtual HRESULT Attach(const std::shared_ptr<media::IGraphBuilder>& graph, QWidget* window) = 0;
    virtual HRESULT RemoveIfUnconnected(const std::shared_ptr<media::IGraphBuilder>& graph) = 0;
    virtual HRESULT SetVideoRect(QWidget* window, const media::Rect* destination) = 0;
    virtual HRESULT Repaint(QWidget* window, media::HDC dc) = 0;
    virtual HRESULT OnDisplayChange() = 0;
    virtual HRESULT GetCurrentImage(media::BitmapInfoHeader* header, std::uint8_t** bits) = 0;
    virtual HRESULT MemFreeCurrentImage(std::uint8_t* bits) = 0;
};

// The GL renderer, reached through its display control.
class CEVR : public CVideoRenderer {
  public:
    ~CEVR() override;
    bool HasVideo() const override;
    HRESULT Attach(const std::shared_ptr<media::IGraphBuilder>& graph, QWidget* window) override;
    HRESULT RemoveIfUnconnected(const std::shared_ptr<media::IGraphBuilder>& graph) override;
    HRESULT SetVideoRect(QWidget* window, const media::Rect* destination) override;
    HRESULT Repaint(QWidget* window, media::HDC dc) override;
    HRESULT OnDisplayChange() override;
    HRESULT GetCurrentImage(media::BitmapInfoHeader* header, std::uint8_t** bits) override;
    HRESULT MemFreeCurrentImage(std::uint8_t* bits) override;

  private:
    std::shared_ptr<media::BaseFilter> filter_;
    std::shared_ptr<media::IVideoDisplayControl> display_;
};

// The raster renderers, reached through their windowless control; CVMR9 is scaled by
// Qt, CVMR7 pre-scaled by libswscale.
class CWindowlessRenderer : public CVideoRenderer {
  public:
    ~CWindowlessRenderer() override;
    bool HasVideo() const override;
    HRESULT Attach(const std::shared_ptr<media::IGraphBuilder>& graph, QWidget* window) override;
    HRESULT RemoveIfUnconnected(const std::shared_ptr<media::IGraphBuilder>& graph) override;
    HRESULT SetVideoRect(QWidget* window, const media::Rect* destination) override;
    HRESULT Repaint(QWidget* window, media::HDC dc) override;
    HRESULT OnDisplayChange() override;
    HRESULT GetCurrentImage(media::BitmapInfoHeader* header, std::uint8_t** bits) override;
    HRESULT MemFreeCurrentImage(std::uint8_t* bits) override;

  protected:
    CWindowlessRenderer(const QUuid& classId, const char* filterName);

  private:
    const QUuid classId_;
    const char* const filterName_;
    std::shared_ptr<media::IWindowlessControl> control_;
};

class CVMR9 : public CWindowlessRenderer {
  public:
    CVMR9();
};

class CVMR7 : public CWindowlessRenderer {
  public:
    CVMR7();
};

// Plays one recording in one window through a filter graph. GUI thread only.
class DShowPlayer {
  public:
    explicit DShowPlayer(QWidget* videoWindow);
    ~DShowPlayer();
    DShowPlayer(const DShowPlayer&) = delete;
    DShowPlayer& operator=(const DShowPlayer&) = delete;

    PlayerState State() const { return state_; }

    HRESULT OpenFile(const QString& path);
    HRESULT Play();
    HRESULT Pause();
    HRESULT Stop();
    bool HasVideo() const;
    HRESULT SetVideoRect(const media::Rect* destination);
    HRESULT Repaint(media::HDC dc);
    HRESULT OnDisplayChange();
    HRESULT HandleGraphEvent();
    double GetPositionSeconds();
    HRESULT SeekSeconds(double seconds);
    HRESULT SeekSecondsAndPlay(double seconds);
    void StepOneFrame();
    HRESULT StepBack();
    HRESULT SetRate(double rate);
    HRESULT SetVolume(double volume);
    HRESULT GetCurrentImage(media::BitmapInfoHeader* header, std::uint8_t** bits);
    HRESULT MemFreeCurrentImage(std::uint8_t* bits);

    HRESULT CreateGraph();
    void ReleaseGraph();
    HRESULT RenderSourcePins(const std::shared_ptr<media::BaseFilter>& source);
    HRESULT ChooseVideoRenderer();

    // Tears a player down: its graph goes at once; the object itself goes when no
    // event drain of its own is running (a handler inside the drain may ask).
    static void Destroy(DShowPlayer* player);

  private:
    HRESULT SeekUnits(media::REFERENCE_TIME position);

    PlayerState state_ = STATE_NO_GRAPH;
    QWidget* videoWindow_ = nullptr;
    std::shared_ptr<media::IGraphBuilder> graph_;
    std::shared_ptr<media::IMediaControl> control_;
    std::shared_ptr<media::IMediaEventEx> events_;
    std::unique_ptr<CVideoRenderer> videoRenderer_;
    std::shared_ptr<media::IMediaSeeking> seeking_;
    std::shared_ptr<media::IVideoFrameStep> frameStep_;
    int drainDepth_ = 0;
    bool destroyPending_ = false;
};

// Graph utilities.
HRESULT CreateAndAddFilter(const std::shared_ptr<media::IGraphBuilder>& graph, const QUuid& classId,
                           std::shared_ptr<media::BaseFilter>& filter, const QString& name);
HRESULT RemoveFilterIfUnconnected(const std::shared_ptr<media::IGraphBuilder>& graph,
                                  const std::shared_ptr<media::BaseFilter>& filter, bool& removed);
HRESULT FirstConnectedPin(const std::shared_ptr<media::BaseFilter>& filter,
                          media::PinDirection direction, std::shared_ptr<media::Pin>& pin);
HRESULT PinIsConnected(const std::shared_ptr<media::Pin>& pin, bool& connected);
HRESULT PinHasDirection(const std::shared_ptr<media::Pin>& pin, media::PinDirection direction,
                        bool& hasDirection);
