#include "RasterVideoRenderer.h"

#include "media/FrameImage.h"
#include "media/PlaybackContext.h"

#include <QPainter>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstring>

namespace media {

namespace {

// Images converted ahead of their turn: enough to keep frame steps and play going
// while the GUI thread paints, few enough to hold little memory. Pictures are
// converted side by side where the cores allow.
constexpr std::size_t kMaxConverters = 3;
// Enough for what the converters write, what waits converted and what is shown.
constexpr std::size_t kPooledImages = 2 * kMaxConverters + 4;

std::size_t Converters() {
    return std::clamp<std::size_t>(static_cast<std::size_t>(QThread::idealThreadCount()) / 2, 1,
                                   kMaxConverters);
}

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

RasterVideoRenderer::~RasterVideoRenderer() {
    StopStreaming();  // the presenting thread takes from the converter
}

void RasterVideoRenderer::JoinGraph(PlaybackContext* context, const QString& name) {
    VideoRendererFilter::JoinGraph(context, name);
    converter_.reset();
    if (context != nullptr) {
        // Held at the most: the queued pictures, the one the decoder is handing in, the
        // one being shown, and those of an older seek still in the converters' hands.
        const std::size_t limit = kQueuedPictures + 2 + Converters();
        converter_ = std::make_unique<PictureConverter>(
            context->GenerationRef(), Converters(), Converters() + 1, limit,
            [this](const AVFrame& picture, const QSize& size, SwsPtr& cache) {
                return MakeImage(picture, size, cache);
            });
    }
}

void RasterVideoRenderer::Wake() {
    VideoRendererFilter::Wake();
    if (converter_) {
        converter_->DropStale();
    }
}

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

void RasterVideoRenderer::Upcoming(const SharedFrame& picture, std::uint64_t generation) {
    if (converter_) {
        converter_->Submit(picture, generation, PreparedSize());
    }
}

void RasterVideoRenderer::Passed(const SharedFrame& picture) {
    if (converter_) {
        converter_->Drop(picture);
    }
}

void RasterVideoRenderer::Prepare(const SharedFrame& picture) {
    const QSize size = PreparedSize();
    QImage image = converter_ ? converter_->Take(picture, size, presentScaler_)
                              : MakeImage(*picture, size, presentScaler_);
    std::lock_guard lock(imageMutex_);
    image_ = std::move(image);
}

// The swscale variant converts and scales in one pass. The Qt variant converts at
// the native size and scales as its paint would (the same smooth transform), so
// the paint itself only copies.
QImage RasterVideoRenderer::MakeImage(const AVFrame& picture, const QSize& size, SwsPtr& cache) {
    const QSize native = NativeSize();
    const QSize target = size.isEmpty() ? native : size;
    const bool qtScales = scaling_ == Scaling::ByQt && target != native;
    QImage converted = TakePooled(qtScales ? native : target);
    if (!PictureIntoImage(&picture, converted, cache)) {
        return {};
    }
    ReturnToPool(converted);
    if (!qtScales) {
        return converted;
    }
    QImage scaled = TakePooled(target);
    if (scaled.isNull()) {
        return {};
    }
    {
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), target), converted);
    }
    ReturnToPool(scaled);
    return scaled;
}

// Taken out of the pool while it is written, so that no other thread takes it.
QImage RasterVideoRenderer::TakePooled(const QSize& size) {
    {
        std::lock_guard lock(poolMutex_);
        for (auto it = pool_.begin(); it != pool_.end(); ++it) {
            if (it->size() == size && it->isDetached()) {
                QImage image = std::move(*it);
                pool_.erase(it);
                return image;
            }
        }
    }
    return NewBgraImage(size);
}

void RasterVideoRenderer::ReturnToPool(const QImage& image) {
    std::lock_guard lock(poolMutex_);
    if (pool_.size() >= kPooledImages) {
        // One nobody holds goes first (of a size the window had), else the oldest.
        const auto unused = std::find_if(pool_.begin(), pool_.end(),
                                         [](const QImage& pooled) { return pooled.isDetached(); });
        pool_.erase(unused != pool_.end() ? unused : pool_.begin());
    }
    pool_.push_back(image);
}

QSize RasterVideoRenderer::PreparedSize() {
    std::lock_guard lock(imageMutex_);
    return scaledSize_.isEmpty() ? NativeSize() : scaledSize_;
}

void RasterVideoRenderer::Paint(QPainter& painter, const QRect& area) {
    painter.fillRect(area, Qt::black);
    const QRect target = TargetRect(area);
    std::lock_guard lock(imageMutex_);
    if (image_.isNull() || image_.size() == target.size()) {
        resizedPicture_.reset();
        resizedImage_ = QImage();
        if (!image_.isNull()) {
            painter.drawImage(target.topLeft(), image_);
        }
        return;
    }
    PaintResized(painter, target);
}

// The window changed size since the picture was prepared.
void RasterVideoRenderer::PaintResized(QPainter& painter, const QRect& target) {
    const SharedFrame picture = CurrentPicture();
    if (!picture) {
        return;
    }
    if (scaling_ == Scaling::BySwscale) {
        image_ = PictureToImage(picture.get(), target.size(), paintScaler_);
        painter.drawImage(target.topLeft(), image_);
        return;
    }
    if (picture != resizedPicture_) {
        resizedImage_ = PictureToImage(picture.get(), NativeSize(), paintScaler_);
        resizedPicture_ = picture;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, resizedImage_);
}

QRect RasterVideoRenderer::TargetRect(const QRect& area) const {
    if (aspectMode_ != VMR_ARMODE_LetterBox) {
        return area;
    }
    return LetterboxRect(NativeSize(), SampleAspect(), area);
}

}  // namespace media
