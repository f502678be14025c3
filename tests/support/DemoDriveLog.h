#pragma once

#include "support/TsRecordingWriter.h"

#include <QString>
#include <QStringList>

#include <functional>

// The sensor log of a demo drive: a speed profile with stops, braking and
// cornering G forces, turn lamps blinking before and through every turn, the
// coolant warming up and the battery charging once the engine runs.
class DemoDriveLog {
  public:
    // Sample at `seconds` into the whole drive, stamped with `unixSeconds` and
    // `milliseconds`.
    static tsrec::TsLogSample SampleAt(double seconds, std::uint32_t unixSeconds,
                                       std::uint16_t milliseconds);

    static double SpeedKmh(double seconds);
    // Lateral G of the turn under way (positive: left), 0 on a straight.
    static double LateralG(double seconds);
    // -1 left turn coming or under way, +1 right, 0 none.
    static int TurnSide(double seconds);
};

struct DemoDriveOptions {
    QString folder;
    int count = 3;
    int seconds = 60;
    int width = 1920;
    int height = 1080;
    int frameRate = 25;
    int kbps = 10000;                  // video bit rate
    std::uint32_t start = 1700000000;  // Unix seconds of the first recording
    // Encoded once by the caller (seconds long): every recording wraps these
    // instead of encoding its own.
    const tsrec::ElementaryStreams* media = nullptr;
    // Each recording holds its media this many times end to end (seconds x repeats long).
    int mediaRepeats = 1;
    // Told each recording's path as soon as it is written.
    std::function<void(const QString& path)> onWritten;
};

// Writes options.count consecutive recordings, named by their start times
// ("yyyyMMdd_HHmmss.ts", UTC), encoding each with the ffmpeg tool in a temporary
// folder. Gives the written paths; false with `error` set on the first failure.
bool WriteDemoDrive(const DemoDriveOptions& options, QStringList* paths, QString* error);
