#include "recordings/SensorLog.h"
#include "views/ChartView.h"

#include <gtest/gtest.h>

using namespace views;

namespace {

constexpr double kTotal = 600000;  // a ten-minute play list

// A view over 0..76.4 s with speeds up to 120 km/h, drawn on the 854 x 254 frame
// with the G axis only: the plot starts at x 50, is 764 x 189 px, 100 ms a pixel.
class ChartViewTest : public testing::Test {
  protected:
    void SetUp() override {
        SensorLog log;
        log.speedMax = 100;
        bars = view.RefreshData(log, kTotal);
        view.ResetTimeRange(76400);
        Draw();
    }

    // A pass drew the current view.
    void Draw() {
        ChartPlot plot;
        plot.left = 50;
        plot.top = 35;
        plot.width = 764;
        plot.height = 189;
        plot.view = view.State();
        plot.msPerPixel = (plot.view.timeEnd - plot.view.timeStart) / plot.width;
        plot.speedPerPixel = plot.view.speedVisible / plot.height;
        view.SetPlot(plot);
    }

    ChartView view;
    ChartBarRanges bars;
};

}  // namespace

TEST_F(ChartViewTest, RescaleResetFitAndZoomBars) {
    EXPECT_EQ(bars.timeMinimum, 8000);
    EXPECT_EQ(bars.timeMaximum, kTotal);
    EXPECT_EQ(bars.valueMinimum, 8);
    EXPECT_EQ(bars.valueMaximum, 120);
    EXPECT_EQ(view.State().speedVisible, 120);
    EXPECT_EQ(view.ResetTimeRange(5000), 8000);  // at least 8 s
    const ChartViewChange fit = view.FitSize(5000);
    EXPECT_EQ(view.State().timeEnd, 5000);  // no minimum here
    EXPECT_EQ(fit.timeBarPosition, 5000);
    EXPECT_EQ(fit.valueBarPosition, 120);
    EXPECT_TRUE(fit.redraw);

    // Near the start the window widens toward later times.
    view.TimeZoom(20000);
    EXPECT_EQ(view.State().timeStart, 0);
    EXPECT_EQ(view.State().timeEnd, 20000);
    view.FitSize(kTotal);
    view.TimeZoom(100000);
    EXPECT_EQ(view.State().timeStart, 250000);
    // The value midpoint takes the full range, not the visible span.
    view.ValueZoom(40);
    EXPECT_EQ(view.State().speedMinimum, 40);
    view.ValueZoom(20);
    EXPECT_EQ(view.State().speedMinimum, 70);
    EXPECT_EQ(view.State().speedVisible, 20);
}

TEST_F(ChartViewTest, RefreshDataRescalesAndKeepsTheTimeWindow) {
    SensorLog log;
    log.speedMax = 40.1f;
    const ChartBarRanges merged = view.RefreshData(log, 5000);
    EXPECT_EQ(merged.timeMinimum, 8000);
    EXPECT_EQ(merged.timeMaximum, 5000);
    EXPECT_EQ(merged.valueMinimum, 8);
    EXPECT_EQ(merged.valueMaximum, 80);
    EXPECT_EQ(view.State().speedVisible, 80);
    EXPECT_EQ(view.State().timeEnd, 76400);
}

TEST_F(ChartViewTest, ClicksSeekInsideThePlayListAndOnlyFromThePlot) {
    struct Case {
        double pressX, releaseX, total;
        std::optional<double> seconds;
    } cases[] = {
        {50, 50, kTotal, 0.0},     // the plot's left edge
        {150, 152, kTotal, 10.2},  // 2 px off is still a click, where released
        {150, 153, kTotal, {}},    // 3 px is not
        {800, 800, 50000, {}},     // right of the play list's end
        {20, 20, kTotal, {}},      // on the axis labels
    };
    for (const Case& c : cases) {
        view.Press({c.pressX, 100});
        const std::optional<double> seek = view.Release({c.releaseX, 100}, c.total).seekSeconds;
        ASSERT_EQ(seek.has_value(), c.seconds.has_value()) << c.releaseX;
        EXPECT_NEAR(seek.value_or(0), c.seconds.value_or(0), 1e-9);
    }
    // Nor does a drag start without a press inside the plot, or after its release.
    view.Press({20, 100});
    EXPECT_FALSE(view.Move({300, 100}, true).redraw);
    view.Press({300, 100});
    view.Release({300, 100}, kTotal);
    EXPECT_FALSE(view.Move({400, 100}, true).redraw);
    EXPECT_FALSE(view.Dragging());
}

TEST_F(ChartViewTest, PanDragMovesTheWindowAndAReleaseBesideThePressSeeks) {
    view.Press({400, 100});
    EXPECT_FALSE(view.Move({402, 102}, true).cursor);  // within the slop
    EXPECT_EQ(view.Move({400, 110}, true).cursor, Qt::PointingHandCursor);
    EXPECT_TRUE(view.Move({390, 121}, true).redraw);
    EXPECT_EQ(view.State().timeStart, 1000);
    EXPECT_EQ(view.State().timeEnd, 77400);
    EXPECT_NEAR(view.State().speedMinimum, 21 * 120.0 / 189, 1e-9);  // down shows higher
    // Released right below the press point: only the horizontal distance counts, so
    // it is a click at the release on the picture on screen, and the drag ends.
    const ChartViewChange release = view.Release({401, 121}, kTotal);
    ASSERT_TRUE(release.seekSeconds.has_value());
    EXPECT_NEAR(*release.seekSeconds, 35.1, 1e-9);
    EXPECT_EQ(release.cursor, Qt::ArrowCursor);
    EXPECT_FALSE(view.Dragging());
    EXPECT_EQ(view.State().timeStart, 1000);  // the pan stays

    // 3 px beside the press is the end of a drag, not a click.
    view.Press({400, 100});
    view.Move({403, 140}, true);
    const ChartViewChange dragged = view.Release({403, 140}, kTotal);
    EXPECT_EQ(dragged.seekSeconds, std::nullopt);
    EXPECT_EQ(dragged.cursor, Qt::ArrowCursor);
}

TEST_F(ChartViewTest, ZoomRectangleIsAppliedOnlyAfterAZoomDrag) {
    view.SetMode(ChartMode::Zoom);
    view.Press({150, 35});
    view.Move({154, 35}, true);
    EXPECT_EQ(view.Move({250, 130}, true).zoomRect, QRect(150, 35, 100, 95));
    const ChartViewChange apply = view.Release({250, 130}, kTotal);
    EXPECT_TRUE(apply.hideZoomRect);
    EXPECT_EQ(apply.seekSeconds, std::nullopt);
    EXPECT_EQ(view.State().timeStart, 10000);
    EXPECT_EQ(view.State().timeEnd, 20000);
    EXPECT_EQ(apply.timeBarPosition, 10000);
    EXPECT_NEAR(view.State().speedMinimum, (224 - 130) * 120.0 / 189, 1e-9);
    EXPECT_NEAR(view.State().speedVisible, 95 * 120.0 / 189, 1e-9);
    EXPECT_EQ(apply.valueBarPosition, view.State().speedVisible);

    // A release without a drag of its own, or after leaving, applies nothing.
    Draw();
    const ChartViewState zoomed = view.State();
    view.Press({300, 100});
    EXPECT_FALSE(view.Release({303, 100}, kTotal).redraw);
    view.Press({150, 50});
    view.Move({200, 100}, true);
    EXPECT_TRUE(view.Leave().hideZoomRect);
    EXPECT_FALSE(view.Release({200, 100}, kTotal).redraw);
    EXPECT_EQ(view.State().timeStart, zoomed.timeStart);
    EXPECT_EQ(view.State().speedVisible, zoomed.speedVisible);
}

// A zoom drag released less than 3 px beside its press seeks instead; its rectangle
// stays up, unapplied, until the next applied zoom hides it.
TEST_F(ChartViewTest, AZoomDragReleasedBesideThePressSeeksAndKeepsItsRectangle) {
    view.SetMode(ChartMode::Zoom);
    const ChartViewState before = view.State();
    view.Press({300, 50});
    EXPECT_EQ(view.Move({302, 150}, true).zoomRect, QRect(300, 50, 2, 100));
    const ChartViewChange click = view.Release({298, 150}, kTotal);
    ASSERT_TRUE(click.seekSeconds.has_value());
    EXPECT_NEAR(*click.seekSeconds, 24.8, 1e-9);
    EXPECT_FALSE(click.hideZoomRect);
    EXPECT_FALSE(click.zoomRect);
    EXPECT_FALSE(click.redraw);
    EXPECT_FALSE(click.timeBarPosition);
    EXPECT_EQ(view.State().timeStart, before.timeStart);
    EXPECT_EQ(view.State().timeEnd, before.timeEnd);
    EXPECT_EQ(view.State().speedVisible, before.speedVisible);
    EXPECT_FALSE(view.Dragging());

    // A plain click leaves it up too; the next applied zoom takes it down.
    view.Press({500, 100});
    EXPECT_FALSE(view.Release({500, 100}, kTotal).hideZoomRect);
    view.Press({150, 40});
    view.Move({250, 140}, true);
    const ChartViewChange apply = view.Release({250, 140}, kTotal);
    EXPECT_TRUE(apply.hideZoomRect);
    EXPECT_EQ(apply.seekSeconds, std::nullopt);
    EXPECT_EQ(view.State().timeStart, 10000);
}

TEST_F(ChartViewTest, ZoomRectanglesKeepTheMinimumSpans) {
    view.SetMode(ChartMode::Zoom);
    // Dragged up and left, 3 px wide and 2 px high.
    view.Press({403, 102});
    view.Move({403, 110}, true);
    EXPECT_EQ(view.Move({400, 100}, true).zoomRect, QRect(400, 100, 3, 2));
    view.Release({400, 100}, kTotal);
    EXPECT_EQ(view.State().timeStart, 35000);
    EXPECT_EQ(view.State().timeEnd, 43000);  // raised to 8 s
    EXPECT_EQ(view.State().speedVisible, 8);
}

TEST_F(ChartViewTest, CursorFollowsThePictureOnScreen) {
    EXPECT_EQ(view.CursorX(10000), 150);
    EXPECT_EQ(view.CursorX(76400), 814);
    EXPECT_EQ(view.CursorX(76401), std::nullopt);
    // The window moves; until its picture arrives the cursor keeps to the old one.
    view.TimeZoom(8000);
    EXPECT_EQ(view.CursorX(10000), 150);
    Draw();
    EXPECT_EQ(view.CursorX(10000), std::nullopt);
    EXPECT_EQ(ChartView().CursorX(0), std::nullopt);  // no time scale yet
}
