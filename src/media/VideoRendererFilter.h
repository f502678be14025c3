#pragma once

#include "media/AvHandles.h"
#include "media/BaseFilter.h"
#include "media/SampleQueue.h"

#include <QRect>
#include <QSize>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

class QWidget;

namespace media {

// What the renderers share: the queue of decoded pictures, the worker that shows
// each one when the clock reaches it (dropping late ones), the preroll after a
// seek, frame steps, grabs, and the destination rectangle in the video window with
// its letterbox. A subclass gives the sink widget that paints.
class VideoRendererFilter : public BaseFilter {
  public:
    explicit VideoRendererFilter(const QUuid& classId);
    ~VideoRendererFilter() override;

    void JoinGraph(PlaybackContext* context, const QString& name) override;
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
    // Decoded pictures waiting to be shown: a 1080p one is 3 MB with its tables; three
    // are 100 ms of cushion at 30 fps, the decoder's threads hold their own besides.
    static constexpr std::size_t kQueuedPictures = 3;

    // The sink: a child widget of the video window covering the destination.
    virtual QWidget* CreateSink(QWidget* window) = 0;
    // The decoder's thread: a picture comes to the queue, to be shown after those before it.
    virtual void Upcoming(const SharedFrame& picture, std::uint64_t generation) {}
    // A picture told as upcoming will not be shown: it was late, a frame step showed
    // a later one, or the queue refused it. Any thread.
    virtual void Passed(const SharedFrame& picture) {}
    // The presenting thread, or the GUI thread for a step, prepares a picture: one
    // at a time, under the presenting lock, which guards what Prepare keeps.
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
    bool RunOnce(platform::Worker::Control& worker);
    void Preroll(MediaSample sample);
    void Present(MediaSample sample);
    void SetEnd(std::uint64_t generation, std::optional<REFERENCE_TIME> stop);
    // The end of stream of `generation` was taken behind the last picture.
    bool EndTaken(std::uint64_t generation) const;
    void NotifyWaiters();
    void ApplyGeometry();

    Pin& input_;
    MediaType inputType_;
    int streamId_ = 0;
    std::unique_ptr<SampleQueue> queue_;  // made when the filter joins a graph

    // The presenting worker's own.
    std::uint64_t claimedGeneration_ = 0;  // preroll taken
    std::uint64_t endedGeneration_ = 0;    // end of stream reported

    // Held through a whole presentation (the worker's, or a frame step's on the GUI
    // thread), so that they come one after the other.
    std::mutex presentMutex_;

    // Guarded by mutex_: what the worker and a frame step (GUI thread) show.
    mutable std::mutex mutex_;
    std::condition_variable presented_;  // a picture shown, a wake, the stop
    std::uint64_t shownGeneration_ = 0;  // preroll on screen
    std::uint64_t endGeneration_ = 0;    // end of stream taken behind the last picture
    REFERENCE_TIME lastStop_ = 0;
    REFERENCE_TIME shownStart_ = 0;
    SharedFrame current_;
    QWidget* sink_ = nullptr;  // written on the GUI thread, read by the worker

    // GUI thread.
    Rect destination_{};
    QWidget* window_ = nullptr;
};

}  // namespace media
