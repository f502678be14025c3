#include "DemoDriveLog.h"

#include "support/TestMedia.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.81;
constexpr double kCycle = 120.0;     // one stretch of road: start, cruise, brake, stop
constexpr double kTurnEvery = 45.0;  // a turn every 45 s of the drive
constexpr double kTurnLength = 6.0;
constexpr double kSignalAhead = 3.0;  // lamps blink this long before a turn

// Small, repeatable noise in [-1, 1].
double Noise(double seconds, int channel) {
    const double x = std::sin(seconds * 12.9898 + channel * 78.233) * 43758.5453;
    return 2.0 * (x - std::floor(x)) - 1.0;
}

double Smooth(double from, double to, double t) {
    const double s = std::clamp(t, 0.0, 1.0);
    return from + (to - from) * (3 * s * s - 2 * s * s * s);
}

double TurnPhase(double seconds) {
    return std::fmod(seconds, kTurnEvery) - (kTurnEvery - kTurnLength);
}

}  // namespace

double DemoDriveLog::SpeedKmh(double seconds) {
    const double t = std::fmod(seconds, kCycle);
    const double cruise = 62.0 + 8.0 * std::sin(seconds / 17.0);
    if (t < 15.0) {
        return Smooth(0.0, cruise, t / 15.0);  // pulling away
    }
    if (t < 100.0) {
        return cruise;
    }
    if (t < 108.0) {
        return Smooth(cruise, 0.0, (t - 100.0) / 8.0);  // braking to a stop
    }
    return 0.0;  // waiting at the lights
}

int DemoDriveLog::TurnSide(double seconds) {
    const double phase = TurnPhase(seconds);
    if (phase < -kSignalAhead || SpeedKmh(seconds) < 5.0) {
        return 0;
    }
    return static_cast<int>(seconds / kTurnEvery) % 2 == 0 ? -1 : 1;
}

double DemoDriveLog::LateralG(double seconds) {
    const double phase = TurnPhase(seconds);
    const int side = TurnSide(seconds);
    if (phase < 0 || side == 0) {
        return 0.0;
    }
    const double v = SpeedKmh(seconds) / 3.6;
    const double radius = 60.0;
    return -side * (v * v / radius / kGravity) * std::sin(kPi * phase / kTurnLength);
}

tsrec::TsLogSample DemoDriveLog::SampleAt(double seconds, std::uint32_t unixSeconds,
                                          std::uint16_t milliseconds) {
    tsrec::TsLogSample sample;
    sample.seconds = unixSeconds;
    sample.milliseconds = milliseconds;

    const double speed = SpeedKmh(seconds);
    sample.obdWhole = static_cast<std::uint16_t>(std::min(511.0, std::floor(speed)));
    sample.obdTenths = static_cast<std::uint8_t>(std::floor((speed - std::floor(speed)) * 10.0));

    // G as the sensor measures it: the player shows each axis negated.
    const double accel = (SpeedKmh(seconds + 0.1) - SpeedKmh(seconds - 0.1)) / 3.6 / 0.2 / kGravity;
    sample.gX = static_cast<float>(-(accel + 0.02 * Noise(seconds, 1)));
    sample.gY = static_cast<float>(-(LateralG(seconds) + 0.02 * Noise(seconds, 2)));
    sample.gZ = static_cast<float>(-(1.0 + 0.03 * Noise(seconds, 3)));

    const int side = TurnSide(seconds);
    const bool blinkOn = std::fmod(seconds, 0.8) < 0.4;
    sample.turnLamps = side == 0 || !blinkOn ? 0 : (side < 0 ? 0x1 : 0x2);

    const double coolant = 90.0 - 72.0 * std::exp(-seconds / 150.0);
    sample.coolantMagnitude = static_cast<std::uint8_t>(std::lround(coolant));

    // Resting voltage for a moment, then the alternator charges.
    const double volts =
        seconds < 4.0 ? 12.4 : 13.9 + 0.15 * std::sin(seconds / 9.0) + 0.05 * Noise(seconds, 4);
    sample.batteryWhole = static_cast<std::uint8_t>(std::floor(volts));
    sample.batteryTenths =
        static_cast<std::uint8_t>(std::floor((volts - std::floor(volts)) * 10.0));
    return sample;
}

namespace {

QString RecordingName(std::uint32_t start) {
    return QDateTime::fromSecsSinceEpoch(start, Qt::UTC)
               .toString(QStringLiteral("yyyyMMdd_HHmmss")) +
           QStringLiteral(".ts");
}

bool WriteDemoRecording(const DemoDriveOptions& options, int index, const QString& workDir,
                        QString* path, QString* error) {
    tsrec::ElementaryStreams streams;
    if (options.media == nullptr) {
        tsrec::TestMediaParams media;
        media.width = options.width;
        media.height = options.height;
        media.frameRate = options.frameRate;
        media.seconds = options.seconds;
        media.videoKbps = options.kbps;
        media.grain = true;  // sensor noise keeps the encoder at a camera's bit rate
        media.toneHz = 440 + 110 * (index % 4);
        if (!tsrec::EncodeMedia(media, workDir, &streams, error)) {
            return false;
        }
    }
    const int repeats = std::max(1, options.mediaRepeats);
    const double driveOffset = static_cast<double>(index) * options.seconds * repeats;
    tsrec::TsRecordingSpec spec;
    spec.media = options.media != nullptr ? options.media : &streams;
    spec.mediaRepeats = repeats;
    spec.startTime = options.start + static_cast<std::uint32_t>(driveOffset);
    spec.firstPcrBase = 900000 + 90000ull * 7 * static_cast<std::uint64_t>(index);
    spec.logSample = [driveOffset](int sample, const tsrec::TsRecordingSpec& s) {
        const tsrec::TsLogSample stamp = tsrec::StampedLogSample(sample, s);
        return DemoDriveLog::SampleAt(
            driveOffset + static_cast<double>(sample) / s.logSamplesPerSecond, stamp.seconds,
            stamp.milliseconds);
    };
    *path = QDir(options.folder).filePath(RecordingName(spec.startTime));
    if (!tsrec::WriteTsRecording(*path, spec)) {
        *error = QStringLiteral("cannot write ") + *path;
        return false;
    }
    return true;
}

}  // namespace

bool WriteDemoDrive(const DemoDriveOptions& options, QStringList* paths, QString* error) {
    QTemporaryDir work;
    if (!QDir().mkpath(options.folder) || !work.isValid()) {
        *error = QStringLiteral("cannot create ") + options.folder;
        return false;
    }
    for (int i = 0; i < options.count; ++i) {
        QString path;
        if (!WriteDemoRecording(options, i, work.path(), &path, error)) {
            return false;
        }
        paths->append(path);
        if (options.onWritten) {
            options.onWritten(path);
        }
    }
    return true;
}
