#pragma once

#include "playback/DSvideo.h"
#include "support/TestClips.h"
#include "support/WaitUntil.h"

#include <QWidget>

#include <cstdint>
#include <functional>

// The picture number drawn in a BGRA picture; -1 when a band is neither black nor white.
int PictureNumber(const std::uint8_t* bgra, int width, int height, int stride);
// The same for a grab (bottom-up rows).
int GrabbedPictureNumber(const media::BitmapInfoHeader& header, const std::uint8_t* bits);

// How a grab differs from the ffmpeg tool's BGRA decode of picture `picture` (in
// presentation order) of `path`, over the colour bytes of every pixel.
struct GrabDifference {
    bool compared = false;  // the tool ran and the sizes match
    double mean = 0.0;
    int largest = 0;
    int worstColumn = -1;  // the first column holding the largest difference
};
GrabDifference CompareWithFfmpeg(const media::BitmapInfoHeader& header, const std::uint8_t* bits,
                                 const QString& path, int picture);

// A video window as the main window's: counts the player's messages and drains the
// graph's events when notified.
class TestVideoWindow : public QWidget {
  public:
    TestVideoWindow();

    int graphNotifies = 0;
    std::intptr_t lastNotifyLParam = 0;
    int playCompletes = 0;
    std::uintptr_t lastCompleteWParam = 0;
    std::intptr_t lastCompleteLParam = 0;
    std::function<void(DShowPlayer*)> onPlayComplete;
    bool drainOnNotify = true;

  protected:
    bool event(QEvent* event) override;
};
