#include "InfoValues.h"

#include "views/DecimalFormat.h"

namespace views {

int FindInfoSample(const SensorLog& log, double t, int remembered) {
    const std::int64_t count = log.count;
    if (count == 0) {
        return -1;
    }
    if (!(t > 0)) {
        // A new play list may hold fewer samples than the one the index was found in.
        return remembered >= 0 && remembered < count ? remembered : -1;
    }
    if (count < 2) {
        return 0;
    }
    // First guess from the spacing of the first two samples; a zero spacing or a
    // quotient past the end gives no usable guess.
    const std::uint32_t step = log.time[1] - log.time[0];
    std::int64_t index = 0;
    if (step != 0) {
        const double guess = t / step;
        index =
            guess >= static_cast<double>(count - 1) ? count - 1 : static_cast<std::int64_t>(guess);
    }
    if (log.time[index] < t) {
        while (index + 1 < count && log.time[index + 1] <= t) {
            ++index;
        }
    } else {
        while (index > 0 && log.time[index] >= t) {
            --index;
        }
    }
    return static_cast<int>(index);
}

InfoTexts SampleTexts(const SensorLog& log, int index, InfoUnits units) {
    const auto i = static_cast<std::uint32_t>(index);
    InfoTexts texts;
    texts.gX = FormatDecimal(log.gX[i], 3);
    texts.gY = FormatDecimal(log.gY[i], 3);
    texts.gZ = FormatDecimal(log.gZ[i], 3);
    texts.gTotal = FormatDecimal(log.gTotal[i], 3);
    if (units.kmh) {
        texts.obdSpeed = FormatDecimal(log.obdSpeed[i], 0);
        texts.gpsSpeed = FormatDecimal(log.gpsSpeed[i], 0);
    } else {
        texts.obdSpeed = FormatDecimal(log.obdSpeed[i] * kMilesPerKilometre, 0);
        texts.gpsSpeed = FormatDecimal(log.gpsSpeed[i] * kMilesPerKilometre, 0);
    }
    texts.rpm = QString::number(log.rpm[i]);
    texts.battery = FormatDecimal(log.battery[i], 1);
    // Fahrenheit in whole degrees: integer arithmetic, the division truncating.
    const int celsius = log.coolant[i];
    texts.coolant = QString::number(units.celsius ? celsius : celsius * 9 / 5 + 32);
    texts.latitude = FormatDecimal(log.latitude[i], 4);
    texts.longitude = FormatDecimal(log.longitude[i], 4);
    return texts;
}

QString SpeedUnitText(InfoUnits units) {
    return units.kmh ? QStringLiteral("km/h") : QStringLiteral("mph");
}

QString TemperatureUnitText(InfoUnits units) {
    return units.celsius ? QStringLiteral("℃") : QStringLiteral("℉");
}

TurnLamps::Change TurnLamps::Update(std::uint32_t bits) {
    Change change;
    if ((bits & 3) == 0) {
        if (lit_) {
            lit_ = false;
            change.changed = true;
        }
        return change;
    }
    lit_ = true;
    change.changed = true;
    change.left = (bits & 1) != 0;
    change.right = (bits & 2) != 0;
    return change;
}

}  // namespace views
