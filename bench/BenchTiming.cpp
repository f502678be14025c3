#include "BenchTiming.h"

#include <algorithm>
#include <cstdio>

namespace bench {

double Median(std::vector<double> values) {
    if (values.empty()) {
        return -1.0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Worst(const std::vector<double>& values) {
    return values.empty() ? -1.0 : *std::max_element(values.begin(), values.end());
}

double ElapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

std::function<bool()> Step(TimedRun run, std::vector<double>& times) {
    return [run = std::move(run), &times] {
        const std::optional<double> ms = run();
        if (ms) {
            times.push_back(*ms);
        }
        return ms.has_value();
    };
}

std::function<bool()> NetStep(TimedRun measured, TimedRun baseline, std::vector<double>& net,
                              std::vector<double>& baselines) {
    auto baselineFirst = std::make_shared<bool>(false);
    return [measured = std::move(measured), baseline = std::move(baseline), &net, &baselines,
            baselineFirst] {
        *baselineFirst = !*baselineFirst;
        std::optional<double> base;
        std::optional<double> ms;
        if (*baselineFirst) {
            base = baseline();
            ms = base ? measured() : std::nullopt;
        } else {
            ms = measured();
            base = ms ? baseline() : std::nullopt;
        }
        if (!ms || !base) {
            return false;
        }
        net.push_back(*ms - *base);
        baselines.push_back(*base);
        return true;
    };
}

bool TakeTurns(int rounds, const std::vector<std::function<bool()>>& steps) {
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (!steps[(i + static_cast<std::size_t>(round)) % steps.size()]()) {
                return false;
            }
        }
    }
    return true;
}

namespace {

QString Number(double value) {
    return QString::number(value, 'f', value < 10 ? 2 : (value < 1000 ? 1 : 0));
}

QString Compared(double ours, const Reference& reference, const QString& unit) {
    if (reference.value < 0) {
        return {};
    }
    const QString ratio =
        reference.value > 0 ? QString::number(ours / reference.value, 'f', 2) : QStringLiteral("-");
    return QStringLiteral(" | %1 %2 %3, ours/it %4")
        .arg(reference.name, Number(reference.value), unit, ratio);
}

QString Verdict(double ours, const Goal& goal, const QString& unit) {
    if (goal.limit < 0) {
        return {};
    }
    const bool lower = goal.better == Better::Lower;
    const bool met = lower ? ours <= goal.limit : ours >= goal.limit;
    return QStringLiteral(" | goal %1 %2 %3 (%4): %5, ours/goal %6")
        .arg(lower ? QStringLiteral("<=") : QStringLiteral(">="), Number(goal.limit), unit,
             goal.text, met ? QStringLiteral("met") : QStringLiteral("MISSED"),
             QString::number(ours / goal.limit, 'f', 2));
}

}  // namespace

void PrintFigure(const QString& what, const QString& unit, double ours, const Reference& floor,
                 const Reference& tool, const std::vector<Goal>& goals) {
    QString line = QStringLiteral("  %1: ours %2 %3").arg(what, Number(ours), unit) +
                   Compared(ours, floor, unit) + Compared(ours, tool, unit);
    for (std::size_t i = 0; i < goals.size(); ++i) {
        line += (i == 0 ? QString() : QStringLiteral("\n   ")) + Verdict(ours, goals[i], unit);
    }
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

}  // namespace bench
