#pragma once

#include "media/PictureConverter.h"
#include "media/VideoRendererFilter.h"

#include <QImage>

#include <mutex>
#include <vector>

namespace media {

// A renderer that paints the picture with QPainter into a child widget of the video
// window: either converted at its native size and scaled by Qt, or converted and
// scaled to the letterbox size in one pass by libswscale.
class RasterVideoRenderer : public VideoRendererFilter,
                            public IRendererFilterConfig,
                            public IWindowlessControl {
  public:
    enum class Scaling { ByQt, BySwscale };

    RasterVideoRenderer(const QUuid& classId, Scaling scaling);
    ~RasterVideoRenderer() override;

    HRESULT SetRenderingMode(std::uint32_t mode) override;
    HRESULT SetVideoClippingWindow(QWidget* window) override;
    HRESULT SetAspectRatioMode(std::uint32_t mode) override;
    HRESULT SetVideoPosition(const Rect* source, const Rect* destination) override;
    HRESULT RepaintVideo(QWidget* window, HDC dc) override;
    HRESULT DisplayModeChanged() override;
    HRESULT GetCurrentImage(std::uint8_t** block) override;

    void JoinGraph(PlaybackContext* context, const QString& name) override;
    void Wake() override;

    // The sink's paint.
    void Paint(QPainter& painter, const QRect& area);

  private:
    QWidget* CreateSink(QWidget* window) override;
    void Upcoming(const SharedFrame& picture, std::uint64_t generation) override;
    void Passed(const SharedFrame& picture) override;
    void Prepare(const SharedFrame& picture) override;
    // Any thread: the image painted for `picture` in a target of `size`.
    QImage MakeImage(const AVFrame& picture, const QSize& size, SwsPtr& cache);
    QImage TakePooled(const QSize& size);
    void ReturnToPool(const QImage& image);
    QSize PreparedSize();
    void PaintResized(QPainter& painter, const QRect& target);
    QRect TargetRect(const QRect& area) const;

    const Scaling scaling_;
    std::uint32_t renderingMode_ = 0;
    std::atomic<std::uint32_t> aspectMode_{VMR_ARMODE_LetterBox};

    std::mutex imageMutex_;
    QImage image_;          // the picture as painted
    QSize scaledSize_;      // the picture's size in the window
    SwsPtr presentScaler_;  // Prepare's, under the presenting lock
    SwsPtr paintScaler_;    // GUI thread
    // GUI thread: the shown picture at its native size, kept while the window's size
    // differs from the one it was prepared for.
    SharedFrame resizedPicture_;
    QImage resizedImage_;

    // Images the converters wrote, used again once nothing else holds them: a new
    // picture-sized block each time is mapped afresh and has its pages faulted in.
    std::mutex poolMutex_;
    std::vector<QImage> pool_;

    // Made when the filter joins a graph; used by the decoder's and the presenting
    // thread while streaming, replaced only while not.
    std::unique_ptr<PictureConverter> converter_;
};

}  // namespace media
