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
// The test clip with its third GOP (pictures 50..74) lost, as a power loss during
// a memory card's pre-allocation leaves a recording: the head up to a few bytes
// into that GOP's first packet, then `kHoleBytes` of zeros as a sparse hole (the
// file is large but takes little space), then the tail from a few bytes before the
// fourth GOP's first packet.
QString HoledClipPath();
// The same with `kGarbageBytes` of random bytes in place of the zeros.
QString GarbledClipPath();
// A minute of video at a camera's bit rate (the writer's, with sound) whose last
// `kZeroTailBytes` were never written, as a power loss leaves a pre-allocated
// recording: its end holds no picture.
QString ZeroTailRecordingPath();
inline constexpr long long kZeroTailBytes = 8ll << 20;
inline constexpr double kZeroTailSeconds = 60.0;
inline constexpr long long kHoleBytes = 1536ll << 20;
inline constexpr long long kGarbageBytes = 3ll << 20;
// A scratch folder of this process.
QString TestFolder();

inline constexpr int kClipWidth = 320;
inline constexpr int kClipHeight = 240;
inline constexpr int kClipFrames = 100;
inline constexpr double kClipFps = 25.0;
