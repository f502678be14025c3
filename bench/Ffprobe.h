#pragma once

// What ffprobe says of a recording, for setting up a benchmark (never timed).

#include <QString>

#include <cstdint>
#include <vector>

namespace bench {

// The file's first time stamp on ffmpeg's clock, seconds; -1 when unknown. The
// tools' -ss and in points count from it.
double StartTime(const QString& path);

struct VideoPacket {
    std::int64_t pts;  // 90 kHz
    bool key;
};

// The video packets in decode order.
std::vector<VideoPacket> VideoPackets(const QString& path);

// What an exact seek to `seconds` (from the first picture) has to decode.
struct SeekWork {
    int decodePictures = 0;   // from the key frame to the target, in decode order
    int displayPictures = 0;  // from the key frame to the target, as shown
    double keyClock = 0;      // the key frame's time stamp, seconds
};

// Nothing to decode (all 0) when the target lies before the first picture.
SeekWork SeekWorkFor(const std::vector<VideoPacket>& packets, double seconds);

}  // namespace bench
