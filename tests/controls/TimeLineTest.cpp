#include "ControlHost.h"
#include "controls/PlayTimeLine.h"
#include "controls/TimeLineModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using controls::TimeLineModel;

TEST(FormatPlayTime, WholeSecondsWithASignForNegativeTimes) {
    const std::pair<double, const char*> cases[] = {
        {3725.9, "01:02:05"},    {0.0, "00:00:00"},      {59.999, "00:00:59"},
        {360000.0, "100:00:00"}, {-3725.9, "-01:02:05"}, {std::nan(""), "00:00:00"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(FormatPlayTime(seconds), QString::fromLatin1(text)) << seconds;
    }
}

namespace {

// 636 px over 100 s: 5 px a second.
TimeLineModel FiveToASecond() {
    TimeLineModel model;
    model.SetWidth(636);
    model.SetDuration(100.0);
    return model;
}

}  // namespace

TEST(TimeLineModel, LaysThePartsOnTheScale) {
    TimeLineModel model = FiveToASecond();
    EXPECT_DOUBLE_EQ(model.PixelsPerSecond(), 5.0);
    ASSERT_EQ(model.PartAt(30, 8), TimeLineModel::kStartMarker);
    model.Press(30, 8, true);
    const controls::TimeLineChanges changes = model.DragTo(80);  // start point 10 s
    EXPECT_TRUE(changes.position && changes.startPoint && !changes.endPoint);
    EXPECT_DOUBLE_EQ(model.StartPoint(), 10.0);
    EXPECT_DOUBLE_EQ(model.Position(), 10.0);  // pushed along by the start marker
    const controls::TimeLineParts parts = model.Parts();
    EXPECT_DOUBLE_EQ(parts.startMarker.x(), 50.0);
    EXPECT_DOUBLE_EQ(parts.thumb.x(), 110.0);
    EXPECT_DOUBLE_EQ(parts.endMarker.right(), 636.0);
}

TEST(TimeLineModel, TrackPressesMoveThePositionWithinTheEndPoint) {
    TimeLineModel model = FiveToASecond();
    // On the thumb before any hover: a track press, not a drag.
    EXPECT_TRUE(model.Press(65, 8, false).position);
    EXPECT_EQ(model.DragMode(), TimeLineModel::kNone);
    EXPECT_DOUBLE_EQ(model.Position(), 1.0);
    // Just left of the end marker: past the end point, cut to it.
    EXPECT_TRUE(model.Press(575, 8, false).position);
    EXPECT_DOUBLE_EQ(model.Position(), 100.0);
    // On the start marker: no track there.
    EXPECT_FALSE(model.Press(40, 8, false).position);
}

TEST(TimeLineModel, MarkersMeetAndPushThePosition) {
    TimeLineModel model = FiveToASecond();
    model.SetPosition(50.0);
    model.Press(600, 8, true);  // the end marker
    ASSERT_EQ(model.DragMode(), TimeLineModel::kEndMarker);
    const controls::TimeLineChanges changes = model.DragTo(-500);
    EXPECT_TRUE(changes.position && changes.endPoint);
    EXPECT_DOUBLE_EQ(model.EndPoint(), 0.0);
    EXPECT_DOUBLE_EQ(model.Position(), 0.0);
    EXPECT_FALSE(model.DragTo(-600).endPoint);  // unchanged: nothing to report
}

TEST(TimeLineModel, SetPositionClamps) {
    TimeLineModel model = FiveToASecond();
    const std::pair<double, double> cases[] = {{-5, 0},
                                               {150, 100},
                                               {42.5, 42.5},
                                               {std::nan(""), 0},
                                               {std::numeric_limits<double>::infinity(), 100}};
    for (const auto& [given, kept] : cases) {
        model.SetPosition(given);
        EXPECT_DOUBLE_EQ(model.Position(), kept) << given;
    }
}

TEST(TimeLineModel, WithoutAUsableScaleEverythingStandsAtTheLeftAndIgnoresThePointer) {
    const std::pair<int, double> cases[] = {
        {636, 0.0}, {636, -5.0}, {636, std::nan("")}, {136, 100.0}, {100, 100.0}};
    for (const auto& [width, duration] : cases) {
        TimeLineModel model;
        model.SetWidth(width);
        model.SetDuration(duration);
        model.SetPosition(10.0);
        EXPECT_FALSE(model.HasScale());
        const controls::TimeLineParts parts = model.Parts();
        EXPECT_EQ(parts.startMarker.x(), 0.0);
        EXPECT_EQ(parts.thumb.x(), 60.0);
        EXPECT_EQ(parts.endMarker.x(), 76.0);
        EXPECT_EQ(model.PartAt(65, 8), TimeLineModel::kNone);
        const double position = model.Position();
        EXPECT_FALSE(model.Press(70, 8, true).position);
        EXPECT_FALSE(model.DragTo(90).position);
        EXPECT_EQ(model.Position(), position);
        EXPECT_TRUE(std::isfinite(model.Position())) << width << " " << duration;
    }
}

class PlayTimeLineTest : public ::testing::Test {
  protected:
    PlayTimeLineTest()
        : host(QSize(700, 60)),
          line(&host, controls::kAnchorsLeftTop, controls::BoundsRect(0, 10, 636, 26)) {
        line.OnPositionChange = [this](QObject* sender, double s) {
            EXPECT_EQ(sender, &line);
            events.push_back("position " + std::to_string(s));
        };
        line.OnStartPointChange = [this](QObject*, double s) {
            events.push_back("start " + std::to_string(s));
        };
        line.OnEndPointChange = [this](QObject*, double s) {
            events.push_back("end " + std::to_string(s));
        };
        line.SetStartHint(QStringLiteral("start hint"));
        line.show();
    }

    ControlHost host;
    TPlayTimeLine line;
    std::vector<std::string> events;
};

TEST_F(PlayTimeLineTest, DragsStartOnlyAfterAHover) {
    EXPECT_EQ(line.Duration(), 100.0);
    line.SetPosition(5.0);
    EXPECT_TRUE(events.empty());  // the program's changes are not reported

    ControlHost::Click(&line, QPoint(30, 8));  // the start marker, not hovered: no track
    EXPECT_TRUE(events.empty());
    ControlHost::Move(&line, QPoint(30, 8));
    EXPECT_TRUE(line.IsHandCursor());
    EXPECT_EQ(line.toolTip(), QStringLiteral("start hint"));
    ControlHost::Press(&line, QPoint(30, 8));
    ControlHost::Move(&line, QPoint(80, 8));
    EXPECT_EQ(events, (std::vector<std::string>{"position 10.000000", "start 10.000000"}));
    ControlHost::Release(&line, QPoint(80, 8));
    EXPECT_EQ(line.Drag(), 0);
}

TEST_F(PlayTimeLineTest, ADragEndsWhenThePointerLeavesWithTheButtonHeld) {
    ControlHost::Move(&line, QPoint(66, 8));  // the thumb
    ControlHost::Press(&line, QPoint(66, 8));
    ASSERT_EQ(line.Drag(), 2);
    ControlHost::Move(&line, QPoint(116, 8));
    EXPECT_DOUBLE_EQ(line.Position(), 10.0);
    ControlHost::Move(&line, QPoint(166, 40));  // below the time line
    EXPECT_EQ(line.Drag(), 0);
    EXPECT_DOUBLE_EQ(line.Position(), 10.0);
    ControlHost::Move(&line, QPoint(216, 8));  // back inside, still held: no drag
    ControlHost::Release(&line, QPoint(216, 8));
    EXPECT_DOUBLE_EQ(line.Position(), 10.0);
}
