#pragma once

#include "media/AvHandles.h"
#include "media/MediaTypes.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace media {

// The rectangle a picture fills inside `destination`, centred, keeping its display
// aspect (width x sample aspect : height); the rest of the destination is bars.
QRect LetterboxRect(const QSize& picture, AVRational sampleAspect, const QRect& destination);

// Converts (and scales) a decoded picture with libswscale, honouring its colour
// matrix and range. `cache` keeps the scaler between calls of one thread.
QImage PictureToImage(const AVFrame* picture, const QSize& size, SwsPtr& cache);
// The same into an image of NewBgraImage (its size is the target), so that a caller
// can use its images again; false when it cannot.
QImage NewBgraImage(const QSize& size);
bool PictureIntoImage(const AVFrame* picture, QImage& image, SwsPtr& cache);

// The picture as a 32-bit BGRA device-independent bitmap at its native size, rows
// bottom-up: header and bits (the bits in one TaskMemAlloc block of `offset` bytes
// more, the image starting `offset` bytes in). Null on failure.
std::uint8_t* PictureToBitmap(const AVFrame* picture, BitmapInfoHeader& header, std::size_t offset);

// A picture in a plain planar 4:2:0 layout (converted when it is not).
bool IsPlanar420(const AVFrame* picture);
AvFramePtr ConvertTo420(const AVFrame* picture, SwsPtr& cache);

}  // namespace media
