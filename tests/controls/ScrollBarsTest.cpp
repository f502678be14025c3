#include "ControlHost.h"
#include "controls/HScrollBar.h"
#include "controls/ScrollBarScale.h"
#include "controls/VTickScrollBar.h"

#include <gtest/gtest.h>

#include <cmath>

using controls::ThumbOffset;
using controls::ThumbValueAt;

TEST(ScrollBarScale, ThumbCentreFollowsThePointerWithinTheRange) {
    // 0..100 over a 200-pixel track (half a unit a pixel), thumb side 16.
    EXPECT_DOUBLE_EQ(ThumbValueAt(108, 8, 0, 100, 0.5, true), 50.0);
    EXPECT_DOUBLE_EQ(ThumbValueAt(48, 8, 0, 100, 0.5, true), 80.0);
    EXPECT_DOUBLE_EQ(ThumbValueAt(2, 8, 0, 100, 0.5, false), 0.0);
    EXPECT_DOUBLE_EQ(ThumbValueAt(400, 8, 0, 100, 0.5, false), 100.0);
    // A reversed range keeps its single value.
    EXPECT_DOUBLE_EQ(ThumbValueAt(50, 8, 10, 10, -0.1, false), 10.0);
}

TEST(ScrollBarScale, ThumbOffsetStaysOnTheTrack) {
    EXPECT_EQ(ThumbOffset(50, 0, 100, 0.5, false, 200), 100);
    EXPECT_EQ(ThumbOffset(80, 0, 100, 0.5, true, 200), 40);
    EXPECT_EQ(ThumbOffset(5, 5, 5, 0.0, false, 200), 0);  // an empty range
    EXPECT_EQ(ThumbOffset(std::nan(""), 0, 100, 0.5, false, 200), 0);
    EXPECT_EQ(ThumbOffset(100, 0, 100, 0.25, false, 200), 200);
    EXPECT_EQ(controls::TrackLength(10, 16), 1);
    EXPECT_EQ(controls::TrackLength(250, 16), 234);
}

TEST(ScrollBarScale, TickBarScaleStepAndDrag) {
    const controls::TickScale shortRange = controls::TickBarScale(18, 200, 0, 40);
    EXPECT_EQ(shortRange.valuePerPixel, 1.0);
    EXPECT_EQ(shortRange.thumbLength, 160);  // reaches the bottom at the maximum
    const controls::TickScale longRange = controls::TickBarScale(18, 200, 0, 920);
    EXPECT_DOUBLE_EQ(longRange.valuePerPixel, 5.0);
    EXPECT_EQ(longRange.thumbLength, 16);
    EXPECT_EQ(controls::TickBarScale(18, 10, 0, 40).thumbLength, 16);  // a track of 1 px

    EXPECT_EQ(controls::TickPageStep(50, 90, 50, 16), 74);                // 24 px below the thumb
    EXPECT_DOUBLE_EQ(controls::TickDrag(100, 40, 10, 5.0, 0, 920), 0.0);  // clamped
    EXPECT_EQ(controls::ClampTick(-3, 0, 10), 0);
    EXPECT_EQ(controls::ClampTick(5, 10, 3), 3);  // a reversed range: the maximum
}

class HScrollBarTest : public ::testing::Test {
  protected:
    HScrollBarTest() : bar(&host, QRect(10, 10, 216, 18), controls::kAnchorsLeftTop, false) {
        bar.OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, &bar);
            ++changes;
        };
        bar.show();
    }

    ControlHost host;
    THScrollBar bar;
    int changes = 0;
};

TEST_F(HScrollBarTest, CodeChangesClampAndReportNothing) {
    EXPECT_TRUE(bar.HasThumbImage());
    bar.SetRange(0, 50);
    bar.SetPosition(80);
    EXPECT_EQ(bar.Position(), 50);
    bar.SetPosition(std::nan(""));  // below every value, as it were
    EXPECT_EQ(bar.Position(), 0);
    bar.SetRange(10, 5);
    EXPECT_EQ(bar.Maximum(), 10);
    EXPECT_EQ(bar.Position(), 10);
    bar.SetRange(7, 7);
    EXPECT_EQ(bar.ThumbRect(), QRect(0, 1, 16, 16));
    EXPECT_EQ(changes, 0);
}

TEST_F(HScrollBarTest, AClickCentresTheThumbAndADragFollowsUntilThePointerLeaves) {
    bar.SetRange(0, 100);  // 200-pixel track: half a unit a pixel
    ControlHost::Click(&bar, QPoint(108, 9));
    EXPECT_DOUBLE_EQ(bar.Position(), 50.0);
    EXPECT_EQ(bar.ThumbRect().x(), 100);
    EXPECT_EQ(changes, 1);
    // The thumb picture is drawn where the thumb is.
    EXPECT_GT(ControlHost::PixelAt(&bar, QPoint(108, 9)).alpha(), 200);

    ControlHost::Move(&bar, QPoint(108, 9));
    ASSERT_TRUE(bar.IsHandCursor());
    ControlHost::Press(&bar, QPoint(108, 9));
    ControlHost::Move(&bar, QPoint(128, 9));
    EXPECT_DOUBLE_EQ(bar.Position(), 60.0);
    ControlHost::Move(&bar, QPoint(148, 30));  // below the bar: the drag ends
    EXPECT_FALSE(bar.Dragging());
    ControlHost::Move(&bar, QPoint(168, 9));
    ControlHost::Release(&bar, QPoint(168, 9));
    EXPECT_DOUBLE_EQ(bar.Position(), 60.0);
}

TEST(THScrollBar, InvertedRangeStartsAtTheMaximumOnTheLeft) {
    ControlHost host;
    THScrollBar bar(&host, QRect(0, 0, 170, 18), controls::kAnchorsLeftTop, true);
    bar.SetRange(8000, 60000);
    EXPECT_EQ(bar.Position(), 60000);
    EXPECT_EQ(bar.ThumbRect().x(), 0);
}

class TickBarTest : public ::testing::Test {
  protected:
    TickBarTest() : bar(&host, QRect(10, 0, 18, 200), controls::kAnchorsLeftTop) {
        bar.OnChange = [this](QObject*) { ++changes; };
        bar.show();
    }

    ControlHost host;
    TVTickScrollBar bar;
    int changes = 0;
};

TEST_F(TickBarTest, APressOnTheThumbDragsItWithoutAHover) {
    bar.SetRange(0, 920);  // 5 units a pixel
    bar.SetPosition(100);
    ASSERT_EQ(bar.ThumbTop(), 20);
    ControlHost::Press(&bar, QPoint(9, 25));
    EXPECT_TRUE(bar.Dragging());
    EXPECT_EQ(bar.Position(), 100);
    ControlHost::Move(&bar, QPoint(9, 37));
    EXPECT_EQ(bar.Position(), 160);
    ControlHost::Release(&bar, QPoint(9, 37));
    EXPECT_EQ(changes, 1);

    ControlHost::Click(&bar, QPoint(9, 2));  // above the thumb: a step of 30
    EXPECT_EQ(bar.Position(), 130);
}

TEST_F(TickBarTest, ShortRangeMovesAUnitAPixelAndRangeChangesLowerOnlyFromAbove) {
    bar.SetRange(0, 40);
    EXPECT_EQ(bar.ThumbLength(), 160);
    ControlHost::Move(&bar, QPoint(9, 80));
    ControlHost::Press(&bar, QPoint(9, 80));
    ControlHost::Move(&bar, QPoint(9, 90));
    EXPECT_EQ(bar.Position(), 10);
    ControlHost::Release(&bar, QPoint(9, 90));

    bar.SetRange(0, 5);
    EXPECT_EQ(bar.Position(), 5);
    bar.SetRange(20, 60);
    EXPECT_EQ(bar.Position(), 5);  // left below the new minimum until the next clamp
    bar.SetPosition(bar.Position());
    EXPECT_EQ(bar.Position(), 20);
}
