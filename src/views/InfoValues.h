#pragma once

#include "recordings/SensorLog.h"

#include <QString>

#include <cstdint>

namespace views {

// The information window's values, without the window: which sample a time shows,
// the texts of that sample in the chosen units, and when the lamp pictures change.

// The sample shown at t ms of the merged log, given the index shown last (-1 none):
// the last sample whose time is at most t (below t when the estimate lands on a
// sample at t), the last sample past the end, sample 0 before the start. For t <= 0
// the remembered index is kept while it still lies inside the log. -1 for an empty
// log.
int FindInfoSample(const SensorLog& log, double t, int remembered);

struct InfoUnits {
    bool kmh = true;      // else mph
    bool celsius = true;  // else Fahrenheit
};

// The label texts of one sample; the no-data texts by default.
struct InfoTexts {
    QString gX = QStringLiteral("0.000");
    QString gY = QStringLiteral("0.000");
    QString gZ = QStringLiteral("0.000");
    QString gTotal = QStringLiteral("0.000");
    QString obdSpeed = QStringLiteral("0");
    QString gpsSpeed = QStringLiteral("0");
    QString rpm = QStringLiteral("0");
    QString battery = QStringLiteral("0.0");
    QString coolant = QStringLiteral("0");
    QString latitude = QStringLiteral("0.0000");
    QString longitude = QStringLiteral("0.0000");
};

inline constexpr double kMilesPerKilometre = 0.621371192;

// The texts of sample `index`, which must lie inside the log.
InfoTexts SampleTexts(const SensorLog& log, int index, InfoUnits units);

// The unit texts beside the speed and coolant values.
QString SpeedUnitText(InfoUnits units);
QString TemperatureUnitText(InfoUnits units);

// The two turn-lamp pictures: a change is reported when a lamp bit is set (both
// pictures are set from the bits) and once when the bits clear after a lit lamp;
// samples without lamps after that reload nothing.
class TurnLamps {
  public:
    struct Change {
        bool changed = false;
        bool left = false;  // lit
        bool right = false;
    };
    // Bit 0 left, bit 1 right.
    Change Update(std::uint32_t bits);

  private:
    bool lit_ = false;
};

}  // namespace views
