#pragma once

#include <QString>

#include <array>
#include <vector>

struct SensorLog;

// The spans an axis range is picked from; a value-axis tick step is an eighth of one.
inline constexpr std::array<double, 22> ChartNiceRanges = {
    0.24, 0.4, 0.8, 1.6, 2.4, 3.2, 4,    8,    16,   40,   80,
    120,  160, 200, 240, 400, 800, 1600, 4000, 6000, 8000, 12000};

namespace views {

// The first nice range that is at least `extreme` and at least `floor`; above the
// table, `extreme` itself. A non-finite extreme counts as 0.
double PickRange(double extreme, double floor);

// Full ranges of the value axes, from the merged log's extremes (single precision
// widened to double, as they are stored).
struct ChartRanges {
    double speedRange = 40;
    double rpmRange = 4000;
    double coolantRange = 100, coolantBase = 0;
    double batteryRange = 14;
    double gRange = 3.0, gBase = -1.5;
};
ChartRanges RangesOfLog(const SensorLog& log);

// The value-axis tick step of the first axis drawn in a pass, in its own units:
// an eighth of the nice range over `visibleSpan`, widened to keep ticks 20 px apart
// (`unitsPerPixel` units a pixel). A step that comes out non-finite or 0 falls back
// to an eighth of the span; 0 when even that is unusable (no ticks).
double ValueTickStep(double visibleSpan, double unitsPerPixel);

// The tick list holds at most this many positions.
inline constexpr int kMaxValueTicks = 28;

// Tick values from the first multiple of `step` at or above `minimum`, adding `step`
// while the sum stays at or below minimum + visibleSpan; at most kMaxValueTicks.
std::vector<double> ValueTicks(double minimum, double visibleSpan, double step);

// The time-axis step in ms (whole seconds) for ticks at least 50 px and a tenth of
// the plot apart; 0 when no time axis is drawn.
double TimeTickStep(double plotWidth, double msPerPixel);

// Tick times from the first whole second at or after `timeStart` to the whole second
// at or after `timeEnd`; that last second is added when the steps overshoot it by
// less than half a step.
std::vector<double> TimeTicks(double timeStart, double timeEnd, double step);

// A time-axis label: ms as "hh:mm:ss".
QString TickTimeText(double ms);

}  // namespace views
