#include "RasterVideoRenderer.h"

#include "media/FrameImage.h"

#include <QPainter>
#include <QWidget>

#include <cstring>

namespace media {

namespace {

class RasterSink : public QWidget {
  public:
    RasterSink(RasterVideoRenderer& owner, QWidget* parent, std::function<void()> gone)
        : QWidget(parent), owner_(owner), gone_(std::move(gone)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    ~RasterSink() override { gone_(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_.Paint(painter, rect());
    }

  private:
    RasterVideoRenderer& owner_;
    std::function<void()> gone_;
};

}  // namespace

RasterVideoRenderer::RasterVideoRenderer(const QUuid& classId, Scaling scaling)
    : VideoRendererFilter(classId), scaling_(scaling) {}

RasterVideoRenderer::~RasterVideoRenderer() = default;

HRESULT RasterVideoRenderer::SetRenderingMode(std::uint32_t mode) {
    if (mode != VMRMode_Windowless) {
        return E_INVALIDARG;
    }
    renderingMode_ = mode;
    return S_OK;
}

HRESULT RasterVideoRenderer::SetVideoClippingWindow(QWidget* window) {
    if (renderingMode_ != VMRMode_Windowless) {
        return VFW_E_WRONG_STATE;
    }
    return AttachWindow(window);
}

HRESULT RasterVideoRenderer::SetAspectRatioMode(std::uint32_t mode) {
    aspectMode_ = mode;
    return Repaint();
}

HRESULT RasterVideoRenderer::SetVideoPosition(const Rect*, const Rect* destination) {
    const HRESULT result = SetDestination(destination);
    if (Succeeded(result)) {
        std::lock_guard lock(imageMutex_);
        scaledSize_ = TargetRect(QRect(0, 0, destination->Width(), destination->Height())).size();
    }
    return result;
}

HRESULT RasterVideoRenderer::RepaintVideo(QWidget*, HDC) {
    return Repaint();
}

HRESULT RasterVideoRenderer::DisplayModeChanged() {
    return Repaint();
}

HRESULT RasterVideoRenderer::GetCurrentImage(std::uint8_t** block) {
    if (block == nullptr) {
        return E_POINTER;
    }
    BitmapInfoHeader header;
    const HRESULT result = Grab(header, *block, sizeof(BitmapInfoHeader));
    if (Succeeded(result)) {
        std::memcpy(*block, &header, sizeof(header));
    }
    return result;
}

QWidget* RasterVideoRenderer::CreateSink(QWidget* window) {
    return new RasterSink(*this, window, [this] { SinkDestroyed(); });
}

void RasterVideoRenderer::Prepare(const SharedFrame& picture) {
    std::lock_guard lock(imageMutex_);
    QSize size = NativeSize();
    if (scaling_ == Scaling::BySwscale && !scaledSize_.isEmpty()) {
        size = scaledSize_;
    }
    // Into the shown image's own block, under the lock the paint takes: no second
    // picture-sized block per picture, and a paint never sees half a picture.
    if (!PictureIntoImage(picture.get(), size, image_, presentScaler_)) {
        image_ = QImage();
    }
}

void RasterVideoRenderer::Paint(QPainter& painter, const QRect& area) {
    painter.fillRect(area, Qt::black);
    const QRect target = TargetRect(area);
    std::lock_guard lock(imageMutex_);
    if (scaling_ == Scaling::ByQt) {
        if (!image_.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, image_);
        }
        return;
    }
    if (image_.size() != target.size()) {
        // The window changed size since the picture was scaled.
        const SharedFrame picture = CurrentPicture();
        if (picture) {
            image_ = PictureToImage(picture.get(), target.size(), paintScaler_);
        }
    }
    if (!image_.isNull()) {
        painter.drawImage(target.topLeft(), image_);
    }
}

QRect RasterVideoRenderer::TargetRect(const QRect& area) const {
    if (aspectMode_ != VMR_ARMODE_LetterBox) {
        return area;
    }
    return LetterboxRect(NativeSize(), SampleAspect(), area);
}

}  // namespace media
