#include "SampleLogs.h"
#include "support/DebugCapture.h"
#include "support/DemoMergedLog.h"
#include "views/ChartRenderer.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace views;

namespace {

constexpr QRgb kAxis = 0xFFF0F0F0;
constexpr QRgb kObdSpeed = 0xFFFF00FF;  // the default 0xFF00FF as red, green, blue
constexpr QRgb kLeftLamp = 0xFFFF80FF;
constexpr QRgb kRightLamp = 0xFF80FFFF;

std::shared_ptr<const SensorLog> MakeLog(
    std::uint32_t n, const std::function<void(SensorLog&, std::uint32_t)>& fill) {
    return std::make_shared<SensorLog>(SampleLog(n, fill));
}

ChartSettings Showing(std::initializer_list<ChartSeries> series) {
    ChartSettings settings = ChartSettings::Defaults();
    settings.visible = 0;
    for (ChartSeries s : series) {
        settings.SetShown(s, true);
    }
    return settings;
}

struct Pass {
    bool drawn = false;
    QImage image;
    ChartPlot plot;
};

Pass Render(const ChartSettings& settings, std::shared_ptr<const SensorLog> log = nullptr,
            QSize size = {854, 254}, double timeEnd = 19800) {
    ChartRenderInput input;
    input.log = std::move(log);
    input.view.timeEnd = timeEnd;
    input.view.ranges = RangesOfLog(SensorLog{});  // speed 0..40, G -1.2..1.2
    input.settings = settings;
    input.size = size;
    Pass pass;
    ChartRenderer renderer;
    pass.drawn = renderer.Render(input, pass.image, pass.plot);
    return pass;
}

// Rows of column x, between the plot's top and bottom, that differ from the bare
// background: the grid lines when nothing else is drawn there.
int MarkedRows(const QImage& image, int x) {
    QImage background(image.size(), image.format());
    QPainter painter(&background);
    FillChartBackground(painter, image.size());
    painter.end();
    int rows = 0;
    for (int y = 25; y < image.height() - 31; ++y) {
        rows += image.pixel(x, y) != background.pixel(x, y) ? 1 : 0;
    }
    return rows;
}

// Rows of column x holding `color`.
std::vector<int> RowsOf(const QImage& image, int x, QRgb color) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(x, y) == color) {
            rows.push_back(y);
        }
    }
    return rows;
}

}  // namespace

TEST(ChartRenderer, ValueAxesStandFortyPixelsApartAndTheFirstSetsTheGrid) {
    using S = ChartSeries;
    struct Case {
        ChartSettings settings;
        float plotLeft;
        int gridLines;
    } cases[] = {
        // Grid lines above the base line (a tick at the plot's bottom lies on it).
        {Showing({}), 10, 0},  // the frame alone at x 10, no grid
        // G -0.9..0.9 in 0.3 steps: the summed steps pass 1.2 by a residue, so the
        // top tick is not drawn.
        {Showing({S::GX, S::GY, S::GZ}), 50, 7},
        // RPM: its span comes out a hair above 1600, so the step is 500.
        {Showing({S::Rpm, S::GTotal}), 90, 3},
        {Showing({S::GpsSpeed, S::GX}), 90, 8},  // G labels the speed ticks, 5 km/h apart
        {ChartSettings{0x3FF, ChartSettings::Defaults().colors}, 210, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "visible " << c.settings.visible);
        const Pass pass = Render(c.settings);
        ASSERT_TRUE(pass.drawn);
        EXPECT_EQ(pass.plot.left, c.plotLeft);
        EXPECT_EQ(pass.plot.width, 854 - c.plotLeft - 40);
        const int x = static_cast<int>(c.plotLeft);
        EXPECT_EQ(pass.image.pixel(x, 150), kAxis);    // the axis line
        EXPECT_EQ(pass.image.pixel(400, 225), kAxis);  // the time base line
        EXPECT_NE(pass.image.pixel(x + 20, 150), kAxis);
        EXPECT_EQ(MarkedRows(pass.image, 700), c.gridLines);
    }
}

TEST(ChartRenderer, SeriesLandOnTheirValuesAndBreakAtNonFiniteSamples) {
    const auto log = MakeLog(100, [](SensorLog& l, std::uint32_t i) {
        l.obdSpeed[i] = i >= 40 && i < 60 ? NAN : (i == 70 ? INFINITY : 20.0f);
    });
    const Pass pass = Render(Showing({ChartSeries::ObdSpeed}), log);
    ASSERT_TRUE(pass.drawn);
    const double xPerSample = 200 / pass.plot.msPerPixel;
    const auto column = [&](double sample) {
        return static_cast<int>(pass.plot.left + sample * xPerSample);
    };
    // 20 of 40 km/h: halfway up the 189 px plot.
    const std::vector<int> rows = RowsOf(pass.image, column(20.5), kObdSpeed);
    ASSERT_FALSE(rows.empty());
    EXPECT_NEAR(rows.front(), 35 + 94.5, 1.0);
    for (double gap : {41.0, 50.0, 58.0, 69.5, 70.5}) {
        EXPECT_TRUE(RowsOf(pass.image, column(gap), kObdSpeed).empty()) << "sample " << gap;
    }
    EXPECT_FALSE(RowsOf(pass.image, column(65.5), kObdSpeed).empty());
}

TEST(ChartRenderer, TurnLampRunsIncludingOneStillOnAtTheLastSample) {
    const auto log = MakeLog(100, [](SensorLog& l, std::uint32_t i) {
        l.turnLamps[i] = (i >= 80 ? 0x1u : 0u) | (i >= 10 && i < 20 ? 0x2u : 0u);
    });
    const Pass pass = Render(Showing({ChartSeries::TurnLamps}), log);
    ASSERT_TRUE(pass.drawn);
    const double xPerSample = 200 / pass.plot.msPerPixel;
    const auto at = [&](double sample, int rise) {
        return pass.image.pixel(static_cast<int>(pass.plot.left + sample * xPerSample),
                                static_cast<int>(pass.plot.top + pass.plot.height) - rise);
    };
    EXPECT_EQ(at(85, 7), kLeftLamp);
    EXPECT_EQ(at(98.5, 7), kLeftLamp);  // lit up to the last sample
    EXPECT_NE(at(75, 7), kLeftLamp);
    EXPECT_EQ(at(15, 14), kRightLamp);
    EXPECT_NE(at(25, 14), kRightLamp);
    EXPECT_NE(at(5, 14), kRightLamp);
}

TEST(ChartRenderer, TooSmallAPlotDrawsNothingAndPublishesNothing) {
    const ChartSettings all{0x3FF, ChartSettings::Defaults().colors};
    for (QSize size : {QSize(854, 69), QSize(254, 254), QSize(0, 0)}) {
        ChartRenderInput input;
        input.settings = all;
        input.size = size;
        ChartRenderer renderer;
        QImage image;
        ChartPlot plot;
        plot.msPerPixel = 123;
        EXPECT_FALSE(renderer.Render(input, image, plot)) << size.width() << "x" << size.height();
        EXPECT_EQ(plot.msPerPixel, 123);
    }
    // A picture that cannot be had fails the pass, which says so; the program goes on.
    {
        DebugCapture capture;
        ChartRenderInput input;
        input.size = QSize(700000000, 254);  // more bytes a line than an image can hold
        ChartRenderer renderer;
        QImage image;
        ChartPlot plot;
        EXPECT_FALSE(renderer.Render(input, image, plot));
        EXPECT_TRUE(capture.Contains(QStringLiteral("TGraphChart::DrawChart")));
        EXPECT_EQ(plot.width, 0);
    }
    // An empty window (no play list yet) draws the axes, and no series.
    const auto log = MakeLog(10, [](SensorLog& l, std::uint32_t i) { l.obdSpeed[i] = 20; });
    const Pass empty = Render(Showing({ChartSeries::ObdSpeed}), log, {854, 254}, 0);
    ASSERT_TRUE(empty.drawn);
    EXPECT_EQ(empty.plot.msPerPixel, 0);
    EXPECT_TRUE(RowsOf(empty.image, 300, kObdSpeed).empty());
}

namespace {

// Pixels that differ between two pictures of the same size.
int DifferingPixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return differing;
}

}  // namespace

// Dropping the samples the pen passes over must not move a single pixel: dense drives
// (two hours on 600 px puts 60 samples in a column) and sparse zooms, at several sizes,
// every series and the turn lamps shown, and on a high-density picture, where nothing
// is dropped.
TEST(ChartRenderer, ThinnedSeriesDrawTheSamePictureAsEverySample) {
    for (int recordings : {2, 12}) {
        QTemporaryDir folder;
        DemoMergedLog demo;
        QString error;
        // The demo drive as two one-minute recordings, and two hours of it.
        ASSERT_TRUE(demo.Load(folder.path(), recordings, recordings == 2 ? 60 : 600, &error))
            << error.toStdString();
        ChartRenderInput input;
        input.log = demo.Logs().Snapshot();
        input.view.ranges = RangesOfLog(*input.log);
        input.view.speedVisible = input.view.ranges.speedRange;
        input.settings = ChartSettings{0x3FF, ChartSettings::Defaults().colors};
        const double total = demo.Logs().Total();
        struct Case {
            QSize size;
            double shown;  // share of the drive
            double pixelRatio;
        } cases[] = {{{854, 254}, 1.0, 1.0},   {{1900, 500}, 1.0, 1.0}, {{400, 200}, 1.0, 1.0},
                     {{854, 254}, 0.25, 1.0},  {{854, 254}, 0.01, 1.0}, {{1900, 500}, 0.05, 1.0},
                     {{400, 200}, 0.013, 1.0}, {{854, 254}, 1.0, 1.5}};
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << recordings << " recordings, " << c.size.width() << " px, " << c.shown
                         << " shown, ratio " << c.pixelRatio);
            ChartRenderInput in = input;
            in.size = c.size;
            in.pixelRatio = c.pixelRatio;
            in.view.timeStart = total * (1 - c.shown) / 3;
            in.view.timeEnd = in.view.timeStart + total * c.shown;
            ChartRenderer thinned;
            ChartRenderer whole;
            whole.SetThinning(false);
            QImage thinPicture;
            QImage wholePicture;
            ChartPlot plot;
            ASSERT_TRUE(thinned.Render(in, thinPicture, plot));
            ASSERT_TRUE(whole.Render(in, wholePicture, plot));
            EXPECT_EQ(DifferingPixels(thinPicture, wholePicture), 0);
        }
    }
}
