#pragma once

#include "media/VideoRendererFilter.h"

#include <QImage>

#include <mutex>

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

    // The sink's paint.
    void Paint(QPainter& painter, const QRect& area);

  private:
    QWidget* CreateSink(QWidget* window) override;
    void Prepare(const SharedFrame& picture) override;
    QRect TargetRect(const QRect& area) const;

    const Scaling scaling_;
    std::uint32_t renderingMode_ = 0;
    std::atomic<std::uint32_t> aspectMode_{VMR_ARMODE_LetterBox};

    std::mutex imageMutex_;
    QImage image_;          // the picture as painted
    QSize scaledSize_;      // where the swscale variant scales to
    SwsPtr presentScaler_;  // Prepare's, under the presenting lock
    SwsPtr paintScaler_;    // GUI thread
};

}  // namespace media
