#pragma once

#include "media/AvHandles.h"
#include "media/BaseFilter.h"

#include <QRect>
#include <QSize>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

class QWidget;

namespace media {

// What the renderers share: the queue of decoded pictures, the thread that shows
// each one when the clock reaches it (dropping late ones), the preroll after a
// seek, frame steps, grabs, and the destination rectangle in the video window with
// its letterbox. A subclass gives the sink widget that paints.
class VideoRendererFilter : public BaseFilter {
  public:
    explicit VideoRendererFilter(const QUuid& classId);
    ~VideoRendererFilter() override;

    bool IsRenderer() const override { return true; }
    HRESULT CheckInputType(const MediaType& type) const override;
    HRESULT CompleteInputConnect(Pin& input, const MediaType& type) override;
    void BreakInputConnect(Pin& input) override;
    void StartStreaming() override;
    void BeginStop() override;
    void StopStreaming() override;
    void Wake() override;
    bool Receive(Pin& input, MediaSample sample) override;

    // GUI thread, graph paused: shows the next picture; S_FALSE at the end.
    HRESULT StepOne(std::chrono::milliseconds timeout, REFERENCE_TIME& shownAt);
    // Waits until the picture of the current segment is shown (not while stopped).
    bool WaitForPresentation(std::chrono::milliseconds timeout);

    SharedFrame CurrentPicture() const;
    QSize NativeSize() const;
    AVRational SampleAspect() const { return inputType_.sampleAspect; }
    // The picture's rectangle inside the sink widget.
    QRect PictureRect() const;

  protected:
    // The sink: a child widget of the video window covering the destination.
    virtual QWidget* CreateSink(QWidget* window) = 0;
    // The presenting thread (or the GUI thread for a step) prepares a picture.
    virtual void Prepare(const SharedFrame& picture) {}
    // A new picture is current.
    void RequestRepaint();

    HRESULT AttachWindow(QWidget* window);
    HRESULT SetDestination(const Rect* destination);
    Rect Destination() const;
    HRESULT Repaint();
    // The current picture as a bitmap (see PictureToBitmap); E_FAIL when none is shown.
    HRESULT Grab(BitmapInfoHeader& header, std::uint8_t*& block, std::size_t offset);
    QWidget* Sink() const { return sink_; }
    // The sink's destructor tells us it went.
    void SinkDestroyed();

  private:
    void Run(platform::Worker::Control& worker);
    bool RunOnce(std::unique_lock<std::mutex>& lock);
    void Present(MediaSample sample);
    void DropStaleLocked();
    void ApplyGeometry();

    Pin& input_;
    MediaType inputType_;
    int streamId_ = 0;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<MediaSample> queue_;
    std::uint64_t claimedGeneration_ = 0;  // preroll taken by the presenting thread
    std::uint64_t shownGeneration_ = 0;    // preroll on screen
    std::uint64_t endGeneration_ = 0;      // end of stream queued behind the last picture
    std::uint64_t endedGeneration_ = 0;    // end of stream reported
    REFERENCE_TIME lastStop_ = 0;
    SharedFrame current_;

    QWidget* sink_ = nullptr;  // guarded by mutex_ for the presenting thread
    std::atomic<bool> repaintPending_{false};
    Rect destination_{};
    QWidget* window_ = nullptr;
};

}  // namespace media
