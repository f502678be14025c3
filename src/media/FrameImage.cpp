#include "FrameImage.h"

#include "media/TaskMemory.h"

#include <cmath>
#include <cstring>

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
    SwsContext* scaler = Scaler(picture, size.width(), size.height(), AV_PIX_FMT_BGRA, cache);
    if (scaler == nullptr) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    std::uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    return image;
}

std::uint8_t* PictureToBitmap(const AVFrame* picture, BitmapInfoHeader& header,
                              std::size_t offset) {
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0) {
        return nullptr;
    }
    SwsPtr cache;
    SwsContext* scaler = Scaler(picture, picture->width, picture->height, AV_PIX_FMT_BGRA, cache);
    if (scaler == nullptr) {
        return nullptr;
    }
    const int stride = picture->width * 4;
    const std::size_t imageBytes = static_cast<std::size_t>(stride) * picture->height;
    auto* block = static_cast<std::uint8_t*>(TaskMemAlloc(offset + imageBytes));
    if (block == nullptr) {
        return nullptr;
    }
    std::uint8_t* bits = block + offset;
    // Bottom-up: the first row in memory is the picture's last.
    std::uint8_t* planes[4] = {bits + imageBytes - stride, nullptr, nullptr, nullptr};
    int strides[4] = {-stride, 0, 0, 0};
    sws_scale(scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
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
