// One full render pass of the sensor chart over a two-hour merged log (36,000
// samples, every series shown) and over a one-minute drive at the chart's design size,
// against a pass that only fills the background of the same picture, in one run; beside
// them the same passes with every sample drawn (no thinning), as before it.
#include "recordings/SensorLog.h"
#include "support/DemoMergedLog.h"
#include "views/ChartRenderer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr int kRounds = 40;
constexpr int kRecordings = 12;  // ten minutes each
constexpr int kSeconds = 600;

struct Timing {
    double median = 0, worst = 0;  // ms
};

Timing Summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

double Milliseconds(const std::function<void()>& pass) {
    QElapsedTimer timer;
    timer.start();
    pass();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

Timing Time(const std::function<void()>& pass) {
    std::vector<double> times;
    pass();  // warm: font caches, the point buffers, the picture
    for (int i = 0; i < kRounds; ++i) {
        times.push_back(Milliseconds(pass));
    }
    return Summary(times);
}

// Two sides taking turns round by round, each round starting with the other side.
std::pair<Timing, Timing> TimeInTurns(const std::function<void()>& first,
                                      const std::function<void()>& second) {
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    first();
    second();
    for (int i = 0; i < kRounds; ++i) {
        if (i % 2 == 0) {
            firstTimes.push_back(Milliseconds(first));
            secondTimes.push_back(Milliseconds(second));
        } else {
            secondTimes.push_back(Milliseconds(second));
            firstTimes.push_back(Milliseconds(first));
        }
    }
    return {Summary(firstTimes), Summary(secondTimes)};
}

void Print(const char* what, Timing timing, Timing base) {
    std::printf("%-44s median %8.3f ms  worst %8.3f ms  %7.1fx the background\n", what,
                timing.median, timing.worst, timing.median / base.median);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;
    QTemporaryDir shortFolder;
    DemoMergedLog demo;
    DemoMergedLog shortDrive;
    QString error;
    if (!folder.isValid() || !shortFolder.isValid() ||
        !demo.Load(folder.path(), kRecordings, kSeconds, &error) ||
        !shortDrive.Load(shortFolder.path(), 1, 60, &error)) {
        std::fprintf(stderr, "cannot make the demo drive: %s\n", qPrintable(error));
        return 1;
    }
    views::ChartRenderInput input;
    input.log = demo.Logs().Snapshot();
    input.view.ranges = views::RangesOfLog(*input.log);
    input.view.speedVisible = input.view.ranges.speedRange;
    input.view.timeEnd = demo.Logs().Total();
    input.settings = views::ChartSettings::Defaults();
    input.settings.visible = 0x3FF;
    input.size = QSize(854, 254);
    input.labelFont = QGuiApplication::font().toString();

    views::ChartRenderInput zoomed = input;
    zoomed.view.timeStart = 3600000;
    zoomed.view.timeEnd = 3660000;
    views::ChartRenderInput minuteDrive = input;
    minuteDrive.log = shortDrive.Logs().Snapshot();
    minuteDrive.view.ranges = views::RangesOfLog(*minuteDrive.log);
    minuteDrive.view.speedVisible = minuteDrive.view.ranges.speedRange;
    minuteDrive.view.timeEnd = shortDrive.Logs().Total();

    views::ChartRenderer renderer;
    views::ChartRenderer everySample;
    everySample.SetThinning(false);
    QImage image;
    views::ChartPlot plot;
    bool drawn = true;
    // Every sample drawn, then ours, taking turns round by round over the same input.
    const auto passes = [&](const views::ChartRenderInput& in) {
        return TimeInTurns([&] { drawn = everySample.Render(in, image, plot) && drawn; },
                           [&] { drawn = renderer.Render(in, image, plot) && drawn; });
    };
    // --profile N: only N passes over the whole drive, for a profiler.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("--profile")) {
        for (int i = 0; i < arguments[2].toInt(); ++i) {
            drawn = renderer.Render(input, image, plot) && drawn;
        }
        return drawn ? 0 : 1;
    }
    const auto [fullWhole, full] = passes(input);
    const auto [minuteWhole, minute] = passes(zoomed);
    const auto [shortWhole, shortPass] = passes(minuteDrive);
    QImage background(input.size, QImage::Format_ARGB32_Premultiplied);
    const Timing fill = Time([&] {
        QPainter painter(&background);
        views::FillChartBackground(painter, input.size);
    });
    if (!drawn) {
        std::fprintf(stderr, "a pass drew nothing\n");
        return 1;
    }
    std::printf("chart pass at %dx%d over %u samples (%.0f s), %d rounds\n", input.size.width(),
                input.size.height(), input.log->count, demo.Logs().Total() / 1000, kRounds);
    Print("background only", fill, fill);
    Print("full pass, whole drive, all series", full, fill);
    Print("  the same, every sample drawn", fullWhole, fill);
    Print("full pass, one minute shown, all series", minute, fill);
    Print("  the same, every sample drawn", minuteWhole, fill);
    std::printf("one-minute drive: %u samples\n", minuteDrive.log->count);
    Print("full pass, one-minute drive, all series", shortPass, fill);
    Print("  the same, every sample drawn", shortWhole, fill);
    std::printf("goals: whole two-hour drive <= 5 ms, one-minute drive <= 1 ms\n");
    return 0;
}
