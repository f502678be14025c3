#pragma once

#include <QString>

// Clips made once per process with the ffmpeg tool: 320x240, 25 pictures a second,
// a key frame every second with B-frames between, each picture's number drawn as
// ten black or white bands across its top, and a 1 kHz tone. Empty paths when the
// tool fails.
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
