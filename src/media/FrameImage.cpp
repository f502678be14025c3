#include "FrameImage.h"

#include "media/TaskMemory.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace media {

namespace {

constexpr int kScaleFlags = SWS_BICUBIC;

bool FullRange(const AVFrame* picture) {
    const auto format = static_cast<AVPixelFormat>(picture->format);
    return picture->color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

SwsContext* Scaler(const AVFrame* picture, int width, int height, AVPixelFormat target,
                   SwsPtr& cache) {
    SwsContext* context =
        sws_getCachedContext(cache.release(), picture->width, picture->height,
                             static_cast<AVPixelFormat>(picture->format), width, height, target,
                             kScaleFlags, nullptr, nullptr, nullptr);
    cache.reset(context);
    if (context == nullptr) {
        return nullptr;
    }
    const int* table = sws_getCoefficients(picture->colorspace);
    const int targetFull = target == AV_PIX_FMT_YUV420P ? 0 : 1;
    sws_setColorspaceDetails(context, table, FullRange(picture) ? 1 : 0, table, targetFull, 0,
                             1 << 16, 1 << 16);
    return context;
}

// libswscale writes whole BGRA rows only into rows of an aligned stride: into rows of
// exactly width x 4 bytes it leaves the tail of each row of a width that is no
// multiple of 16 unwritten.
constexpr int kRowAlignment = 64;

struct AvFreeDeleter {
    void operator()(std::uint8_t* data) const { av_free(data); }
};
using AvBuffer = std::unique_ptr<std::uint8_t, AvFreeDeleter>;

int AlignedBgraStride(int width) {
    return FFALIGN(width * 4, kRowAlignment);
}

// The picture converted (and scaled) to BGRA in rows of an aligned stride.
AvBuffer ConvertToBgra(const AVFrame* picture, const QSize& size, SwsPtr& cache) {
    SwsContext* scaler = Scaler(picture, size.width(), size.height(), AV_PIX_FMT_BGRA, cache);
    if (scaler == nullptr) {
        return nullptr;
    }
    const int stride = AlignedBgraStride(size.width());
    AvBuffer data(static_cast<std::uint8_t*>(
        av_malloc(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height()))));
    if (!data) {
        return nullptr;
    }
    std::uint8_t* planes[4] = {data.get(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    return data;
}

}  // namespace

QRect LetterboxRect(const QSize& picture, AVRational sampleAspect, const QRect& destination) {
    if (picture.isEmpty() || destination.isEmpty()) {
        return destination;
    }
    double aspect = static_cast<double>(picture.width()) / picture.height();
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        aspect *= av_q2d(sampleAspect);
    }
    const double room = static_cast<double>(destination.width()) / destination.height();
    int width = destination.width();
    int height = destination.height();
    if (room > aspect) {
        width = static_cast<int>(std::lround(height * aspect));
    } else {
        height = static_cast<int>(std::lround(width / aspect));
    }
    width = std::max(1, width);
    height = std::max(1, height);
    return QRect(destination.left() + (destination.width() - width) / 2,
                 destination.top() + (destination.height() - height) / 2, width, height);
}

QImage PictureToImage(const AVFrame* picture, const QSize& size, SwsPtr& cache) {
    if (picture == nullptr || size.isEmpty()) {
        return {};
    }
    AvBuffer data = ConvertToBgra(picture, size, cache);
    if (!data) {
        return {};
    }
    // The image keeps the padded rows and frees them when its last copy goes.
    std::uint8_t* bits = data.release();
    return QImage(
        bits, size.width(), size.height(), AlignedBgraStride(size.width()), QImage::Format_RGB32,
        [](void* buffer) { av_free(buffer); }, bits);
}

QImage NewBgraImage(const QSize& size) {
    if (size.isEmpty()) {
        return {};
    }
    const int stride = AlignedBgraStride(size.width());
    auto* bits = static_cast<std::uint8_t*>(
        av_malloc(static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height())));
    if (bits == nullptr) {
        return {};
    }
    return QImage(
        bits, size.width(), size.height(), stride, QImage::Format_RGB32,
        [](void* buffer) { av_free(buffer); }, bits);
}

bool PictureIntoImage(const AVFrame* picture, QImage& image, SwsPtr& cache) {
    if (picture == nullptr || image.isNull() || image.format() != QImage::Format_RGB32 ||
        image.bytesPerLine() != AlignedBgraStride(image.width())) {
        return false;
    }
    SwsContext* scaler = Scaler(picture, image.width(), image.height(), AV_PIX_FMT_BGRA, cache);
    if (scaler == nullptr) {
        return false;
    }
    std::uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    return true;
}

std::uint8_t* PictureToBitmap(const AVFrame* picture, BitmapInfoHeader& header,
                              std::size_t offset) {
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0) {
        return nullptr;
    }
    SwsPtr cache;
    const AvBuffer converted =
        ConvertToBgra(picture, QSize(picture->width, picture->height), cache);
    if (!converted) {
        return nullptr;
    }
    const int stride = picture->width * 4;
    const int alignedStride = AlignedBgraStride(picture->width);
    const std::size_t imageBytes = static_cast<std::size_t>(stride) * picture->height;
    auto* block = static_cast<std::uint8_t*>(TaskMemAlloc(offset + imageBytes));
    if (block == nullptr) {
        return nullptr;
    }
    // Bottom-up: the first row in memory is the picture's last.
    std::uint8_t* bits = block + offset;
    for (int row = 0; row < picture->height; ++row) {
        std::memcpy(bits + static_cast<std::size_t>(picture->height - 1 - row) * stride,
                    converted.get() + static_cast<std::size_t>(row) * alignedStride, stride);
    }
    header = BitmapInfoHeader{};
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = picture->width;
    header.biHeight = picture->height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    return block;
}

bool IsPlanar420(const AVFrame* picture) {
    return picture->format == AV_PIX_FMT_YUV420P || picture->format == AV_PIX_FMT_YUVJ420P;
}

AvFramePtr ConvertTo420(const AVFrame* picture, SwsPtr& cache) {
    AvFramePtr out(av_frame_alloc());
    out->format = AV_PIX_FMT_YUV420P;
    out->width = picture->width;
    out->height = picture->height;
    if (av_frame_get_buffer(out.get(), 0) < 0) {
        return nullptr;
    }
    SwsContext* scaler =
        Scaler(picture, picture->width, picture->height, AV_PIX_FMT_YUV420P, cache);
    if (scaler == nullptr) {
        return nullptr;
    }
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, out->data,
              out->linesize);
    av_frame_copy_props(out.get(), picture);
    out->color_range = AVCOL_RANGE_MPEG;
    return out;
}

}  // namespace media
