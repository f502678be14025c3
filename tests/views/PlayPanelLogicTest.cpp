#include "views/PlayPanelLogic.h"

#include <gtest/gtest.h>

#include <string>

using views::PlayPanelLogic;

namespace {

// A panel whose events write their names into `log`.
struct LoggedPanel {
    LoggedPanel() {
        logic.onPlay = [this] { log += "play "; };
        logic.onPause = [this] { log += "pause "; };
        logic.onPrevFrame = [this] { log += "prev "; };
        logic.onNextFrame = [this] { log += "next "; };
    }
    PlayPanelLogic logic;
    std::string log;
};

}  // namespace

TEST(PlayPanelLogic, NoMediaIsInertUntilADurationOrAPause) {
    LoggedPanel panel;
    panel.logic.SetDuration(0);
    panel.logic.Play();
    panel.logic.StepFrame(true);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_NO_MEDIA);
    panel.logic.Pause();  // from any state to ready, silently
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);
    panel.logic.SetDuration(0.5);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);
    EXPECT_EQ(panel.log, "");
}

TEST(PlayPanelLogic, PlayPauseAndFrameSteps) {
    LoggedPanel panel;
    int plays = 0;
    panel.logic.onPlay = [&] {
        panel.log += "play ";
        EXPECT_TRUE(panel.logic.PauseShown());
        EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);  // still ready while it runs
        if (++plays == 1) {
            panel.logic.Play();  // as the main window restarts from the start point
        }
    };
    panel.logic.SetDuration(60);
    panel.logic.StepFrame(false);
    panel.logic.Play();
    panel.logic.Play();  // already playing: no event
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_PLAYING);
    panel.logic.StepFrame(true);  // pauses, does not step
    panel.logic.StepFrame(true);
    panel.logic.Pause();  // already paused: no event
    EXPECT_EQ(panel.log, "prev play play pause next ");
    EXPECT_FALSE(panel.logic.PauseShown());
}

TEST(PlayPanelLogic, EndPointPausesOnlyWhilePlaying) {
    struct Case {
        double endPoint, position;
        bool pauses;
    };
    for (const Case& c : {Case{10.2, 10.9, false}, Case{10.2, 11.0, true}, Case{10.0, 10.0, true},
                          Case{10.0, 9.99, false}}) {
        LoggedPanel panel;
        panel.logic.SetDuration(60);
        panel.logic.Play();
        panel.logic.ReachPosition(c.position, c.endPoint);
        EXPECT_EQ(panel.log, c.pauses ? "play pause " : "play ") << c.endPoint << " " << c.position;
    }
    LoggedPanel idle;  // no media stays no media at the end point
    idle.logic.ReachPosition(60, 60);
    EXPECT_EQ(idle.logic.State(), PLAY_PANEL_NO_MEDIA);
}

TEST(PlayPanelLogic, NarrowPanelShowsOnlyTheElapsedLabelCentred) {
    struct Case {
        int width, elapsedLeft, totalLeft;
        bool totalShown;
    };
    // The panel test places the labels at 679 and 1000 px; here the edge between.
    for (const Case& c : {Case{739, 304, 0, false}, Case{740, 240, 370, true}}) {
        const views::TimeLabelPlacement place = views::PlaceTimeLabels(c.width);
        EXPECT_EQ(place.elapsedLeft, c.elapsedLeft) << c.width;
        EXPECT_EQ(place.totalShown, c.totalShown) << c.width;
        EXPECT_EQ(place.totalLeft, c.totalLeft) << c.width;
    }
}
