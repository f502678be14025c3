#include "PlaybackTestSupport.h"

#include "platform/WindowMessage.h"
#include "support/TestMedia.h"

#include <cstdlib>

int PictureNumber(const std::uint8_t* bgra, int width, int height, int stride) {
    if (bgra == nullptr || width < 320 || height < 48) {
        return -1;
    }
    int number = 0;
    for (int bit = 0; bit < 10; ++bit) {
        const std::uint8_t green = bgra[24 * stride + (bit * 32 + 16) * 4 + 1];
        if (green > 192) {
            number |= 1 << bit;
        } else if (green > 64) {
            return -1;
        }
    }
    return number;
}

int GrabbedPictureNumber(const media::BitmapInfoHeader& header, const std::uint8_t* bits) {
    if (bits == nullptr || header.biBitCount != 32 || header.biHeight <= 0) {
        return -1;
    }
    const int stride = header.biWidth * 4;
    // Bottom-up rows: the picture's top row is the last in memory.
    const std::uint8_t* top = bits + static_cast<std::size_t>(header.biHeight - 1) * stride;
    return PictureNumber(top, header.biWidth, header.biHeight, -stride);
}

GrabDifference CompareWithFfmpeg(const media::BitmapInfoHeader& header, const std::uint8_t* bits,
                                 const QString& path, int picture) {
    GrabDifference result;
    const int width = header.biWidth;
    const int height = header.biHeight;
    QByteArray reference;
    const QString select = QStringLiteral("select=eq(n\\,%1)").arg(picture);
    if (bits == nullptr || width <= 0 || height <= 0 ||
        !tsrec::RunTool("ffmpeg",
                        {"-v", "error", "-i", path, "-vf", select, "-vsync", "0", "-frames:v", "1",
                         "-f", "rawvideo", "-pix_fmt", "bgra", "-"},
                        &reference, nullptr) ||
        reference.size() != static_cast<qsizetype>(width) * height * 4) {
        return result;
    }
    const int stride = width * 4;
    long long total = 0;
    for (int row = 0; row < height; ++row) {
        // Bottom-up rows in the grab.
        const auto* ours = bits + static_cast<std::size_t>(height - 1 - row) * stride;
        const auto* theirs = reinterpret_cast<const std::uint8_t*>(reference.constData()) +
                             static_cast<std::size_t>(row) * stride;
        for (int x = 0; x < stride; ++x) {
            if (x % 4 == 3) {
                continue;
            }
            const int d = std::abs(ours[x] - theirs[x]);
            total += d;
            if (d > result.largest) {
                result.largest = d;
                result.worstColumn = x / 4;
            }
        }
    }
    result.compared = true;
    result.mean = static_cast<double>(total) / (static_cast<double>(width) * height * 3);
    return result;
}

TestVideoWindow::TestVideoWindow() {
    resize(640, 360);
}

bool TestVideoWindow::event(QEvent* event) {
    if (const auto* notify = platform::WindowMessage::From(event, WM_GRAPH_NOTIFY)) {
        ++graphNotifies;
        lastNotifyLParam = notify->LParam();
        if (drainOnNotify) {
            reinterpret_cast<DShowPlayer*>(notify->LParam())->HandleGraphEvent();
        }
        return true;
    }
    if (const auto* complete = platform::WindowMessage::From(event, WM_PLAY_COMPLETE)) {
        ++playCompletes;
        lastCompleteWParam = complete->WParam();
        lastCompleteLParam = complete->LParam();
        if (onPlayComplete) {
            onPlayComplete(reinterpret_cast<DShowPlayer*>(complete->WParam()));
        }
        return true;
    }
    return QWidget::event(event);
}
