#pragma once

// Statistics and the one line format in which every benchmark prints a figure:
// ours, the floor (what the hardware allows, where one exists), the outside tool,
// each as a ratio, and the goal with how far it is met or missed.

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace bench {

double Median(std::vector<double> values);  // -1 when empty
double Worst(const std::vector<double>& values);
double ElapsedMs(const QElapsedTimer& timer);

// One timed run of a side: its time in ms, nullopt when it failed.
using TimedRun = std::function<std::optional<double>()>;

// A step keeping the run's time in `times`; false when the run fails.
std::function<bool()> Step(TimedRun run, std::vector<double>& times);

// A step running `measured` and `baseline` back to back, which one first
// alternating from one call to the next, keeping measured minus baseline in
// `net` and the baseline in `baselines`: pairs cancel the drift of a busy machine.
std::function<bool()> NetStep(TimedRun measured, TimedRun baseline, std::vector<double>& net,
                              std::vector<double>& baselines);

// Runs the steps `rounds` times, each round starting one step further on, so that
// no side always runs first (or always after the same one); false as soon as a
// step fails.
bool TakeTurns(int rounds, const std::vector<std::function<bool()>>& steps);

// A figure ours is compared with; a negative value means there is none.
struct Reference {
    QString name;
    double value = -1.0;
};

enum class Better { Lower, Higher };

// The goal as a limit in the units of the figure; a negative limit means none.
struct Goal {
    double limit = -1.0;
    Better better = Better::Lower;
    QString text;  // how the limit was set, e.g. "1.15x floor"
};

// One line: "what: ours V unit | floor V, ours/it R | tool V, ours/it R | goal ...",
// a goal per line after the first.
void PrintFigure(const QString& what, const QString& unit, double ours, const Reference& floor,
                 const Reference& tool, const std::vector<Goal>& goals = {});

}  // namespace bench
