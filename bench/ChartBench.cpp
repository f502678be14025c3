// One full render pass of the sensor chart over a two-hour merged log (36,000
// samples, every series shown) at the chart's design size, against a pass that only
// fills the background of the same picture, in one run.
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
#include <vector>

namespace {

constexpr int kRounds = 40;
constexpr int kRecordings = 12;  // ten minutes each
constexpr int kSeconds = 600;

struct Timing {
    double median = 0, worst = 0;  // ms
};

Timing Time(const std::function<void()>& pass) {
    std::vector<double> times;
    pass();  // warm: font caches, the point buffers, the picture
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        pass();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
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
    DemoMergedLog demo;
    QString error;
    if (!folder.isValid() || !demo.Load(folder.path(), kRecordings, kSeconds, &error)) {
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

    views::ChartRenderer renderer;
    QImage image;
    views::ChartPlot plot;
    bool drawn = true;
    const Timing full = Time([&] { drawn = renderer.Render(input, image, plot) && drawn; });
    views::ChartRenderInput zoomed = input;
    zoomed.view.timeStart = 3600000;
    zoomed.view.timeEnd = 3660000;
    const Timing minute = Time([&] { drawn = renderer.Render(zoomed, image, plot) && drawn; });
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
    Print("full pass, one minute shown, all series", minute, fill);
    return 0;
}
