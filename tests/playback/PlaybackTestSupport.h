#pragma once

#include "playback/DSvideo.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>

// Media made once per process with the ffmpeg tool: 320x240, 25 pictures a second,
// a key frame every second with B-frames between, each picture's number drawn as
// ten black or white bands across its top, and a 1 kHz tone.
QString TestClipPath();
QString VideoOnlyClipPath();
// Two seconds at 30 pictures a second, whose times are no whole number of 100 ns units.
QString ThirtyFpsClipPath();
QString AudioOnlyClipPath();
// The test clip cut off inside a picture, as a power loss leaves a recording.
QString CutOffClipPath();
// A scratch folder of this process.
QString TestFolder();

inline constexpr int kClipWidth = 320;
inline constexpr int kClipHeight = 240;
inline constexpr int kClipFrames = 100;
inline constexpr double kClipFps = 25.0;

bool RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);

// The picture number drawn in a BGRA picture; -1 when a band is neither black nor white.
int PictureNumber(const std::uint8_t* bgra, int width, int height, int stride);
// The same for a grab (bottom-up rows).
int GrabbedPictureNumber(const media::BitmapInfoHeader& header, const std::uint8_t* bits);

// Processes events until `done` or the time-out.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

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
