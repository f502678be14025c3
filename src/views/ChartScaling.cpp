#include "ChartScaling.h"

#include "foundation/Commonfun.h"
#include "recordings/SensorLog.h"

#include <algorithm>
#include <cmath>

namespace views {

namespace {

constexpr double kSpeedFloor = 40;
constexpr double kRpmFloor = 1600;
constexpr double kCoolantFloor = 8;
constexpr double kBatteryFloor = 5;
constexpr double kGFloor = 2.4;

constexpr double kMinTickPixels = 20;
constexpr double kMinTimeTickPixels = 50;
// Enough for any sane span; stops a step too small to move a huge time.
constexpr int kMaxTimeTicks = 1000;

double Finite(double value) {
    return std::isfinite(value) ? value : 0.0;
}

}  // namespace

double PickRange(double extreme, double floor) {
    extreme = Finite(extreme);
    for (double range : ChartNiceRanges) {
        if (range >= extreme && range >= floor) {
            return range;
        }
    }
    return extreme;
}

ChartRanges RangesOfLog(const SensorLog& log) {
    ChartRanges ranges;
    ranges.speedRange = PickRange(log.speedMax, kSpeedFloor);
    ranges.rpmRange = PickRange(log.rpmMax, kRpmFloor);
    ranges.coolantBase = 0.1 * std::floor(10.0 * Finite(log.coolantMin));
    ranges.coolantRange = PickRange(Finite(log.coolantMax) - ranges.coolantBase, kCoolantFloor);
    ranges.batteryRange = PickRange(log.batteryMax, kBatteryFloor);
    // Twice the larger magnitude, so the G axis is centred on zero.
    const double magnitude = std::max(Finite(log.gMax), -Finite(log.gMin));
    ranges.gRange = PickRange(0.2 * std::ceil(10.0 * magnitude), kGFloor);
    ranges.gBase = -0.5 * ranges.gRange;
    return ranges;
}

double ValueTickStep(double visibleSpan, double unitsPerPixel) {
    double step = 0.125 * visibleSpan;  // past the table
    for (double range : ChartNiceRanges) {
        if (range >= visibleSpan) {
            step = 0.125 * range;
            break;
        }
    }
    if (step / unitsPerPixel < kMinTickPixels) {
        step = kMinTickPixels * unitsPerPixel;
        step = step < 1 ? 0.1 * std::ceil(10.0 * step) : std::ceil(step);
    }
    if (!std::isfinite(step) || step <= 0) {
        step = 0.125 * visibleSpan;
    }
    return std::isfinite(step) && step > 0 ? step : 0.0;
}

std::vector<double> ValueTicks(double minimum, double visibleSpan, double step) {
    std::vector<double> ticks;
    if (!(step > 0) || !std::isfinite(minimum) || !std::isfinite(visibleSpan)) {
        return ticks;
    }
    const double top = minimum + visibleSpan;
    // Summed step by step, as the axis has always been drawn: where the sum overshoots
    // the top by a rounding residue, the top tick is not drawn.
    for (double v = std::ceil(minimum / step) * step;
         v <= top && static_cast<int>(ticks.size()) < kMaxValueTicks; v += step) {
        if (!ticks.empty() && v <= ticks.back()) {
            break;  // a step too small to move a value this large
        }
        ticks.push_back(v);
    }
    return ticks;
}

double TimeTickStep(double plotWidth, double msPerPixel) {
    const double spacing = std::max(0.1 * plotWidth, kMinTimeTickPixels);
    const double step = 1000.0 * std::ceil(spacing * msPerPixel / 1000.0);
    return std::isfinite(step) && step >= 1 ? step : 0.0;
}

std::vector<double> TimeTicks(double timeStart, double timeEnd, double step) {
    std::vector<double> ticks;
    if (!(step >= 1) || !std::isfinite(timeStart) || !std::isfinite(timeEnd)) {
        return ticks;
    }
    const double last = 1000.0 * std::ceil(timeEnd / 1000.0);
    double t = 1000.0 * std::ceil(timeStart / 1000.0);
    while (t <= last && static_cast<int>(ticks.size()) < kMaxTimeTicks) {
        ticks.push_back(t);
        const double next = t + step;
        if (next <= t) {
            break;
        }
        t = next > last && next - last < 0.5 * step ? last : next;
    }
    return ticks;
}

QString TickTimeText(double ms) {
    return FormatSecondsHMS(0.001 * ms);
}

}  // namespace views
