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

TEST(PlayPanelLogic, NoMediaLeavesTheButtonsInert) {
    LoggedPanel panel;
    panel.logic.SetDuration(0);
    panel.logic.Play();
    panel.logic.StepFrame(true);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_NO_MEDIA);
    EXPECT_FALSE(panel.logic.PauseShown());
    EXPECT_EQ(panel.log, "");

    panel.logic.Pause();  // pause from any state leaves the panel ready, silently
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);
    EXPECT_EQ(panel.log, "");

    panel.logic.SetDuration(0.5);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);
}

TEST(PlayPanelLogic, PlayPauseAndFrameSteps) {
    LoggedPanel panel;
    bool pauseShownDuringPlay = false;
    panel.logic.onPlay = [&] {
        panel.log += "play ";
        pauseShownDuringPlay = panel.logic.PauseShown();
        EXPECT_EQ(panel.logic.State(), PLAY_PANEL_READY);  // still ready while it runs
    };
    panel.logic.SetDuration(60);
    panel.logic.StepFrame(false);
    panel.logic.StepFrame(true);
    panel.logic.Play();
    panel.logic.Play();  // already playing: no event
    EXPECT_TRUE(pauseShownDuringPlay);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_PLAYING);
    panel.logic.StepFrame(true);  // pauses, does not step
    panel.logic.StepFrame(true);
    panel.logic.Pause();  // already paused: no event
    EXPECT_EQ(panel.log, "prev next play pause next ");
    EXPECT_FALSE(panel.logic.PauseShown());
}

TEST(PlayPanelLogic, PlayCalledFromItsOwnHandlerPlaysAgain) {
    LoggedPanel panel;
    int plays = 0;
    panel.logic.onPlay = [&] {
        if (++plays == 1) {
            panel.logic.Play();  // as the main window does to restart from the start point
        }
    };
    panel.logic.SetDuration(60);
    panel.logic.Play();
    EXPECT_EQ(plays, 2);
    EXPECT_EQ(panel.logic.State(), PLAY_PANEL_PLAYING);
}

TEST(PlayPanelLogic, EndPointPausesOnlyWhilePlaying) {
    struct Case {
        double endPoint;
        double position;
        bool pauses;
    };
    const Case cases[] = {
        {10.2, 10.9, false}, {10.2, 11.0, true}, {10.0, 10.0, true}, {10.0, 9.99, false}};
    for (const Case& c : cases) {
        LoggedPanel panel;
        panel.logic.SetDuration(60);
        panel.logic.Play();
        panel.logic.ReachPosition(c.position, c.endPoint);
        EXPECT_EQ(panel.logic.State(), c.pauses ? PLAY_PANEL_READY : PLAY_PANEL_PLAYING)
            << c.endPoint << " " << c.position;
        EXPECT_EQ(panel.log, c.pauses ? "play pause " : "play ");
    }

    LoggedPanel idle;  // no media stays no media at the end point
    idle.logic.ReachPosition(60, 60);
    EXPECT_EQ(idle.logic.State(), PLAY_PANEL_NO_MEDIA);
    idle.logic.SetDuration(60);
    idle.logic.ReachPosition(60, 60);
    EXPECT_EQ(idle.log, "");
}

TEST(PlayPanelLogic, NarrowPanelShowsOnlyTheElapsedLabelCentred) {
    struct Case {
        int width, elapsedLeft, totalLeft;
        bool totalShown;
    };
    const Case cases[] = {
        {679, 274, 0, false}, {739, 304, 0, false}, {740, 240, 370, true}, {1001, 370, 500, true}};
    for (const Case& c : cases) {
        const views::TimeLabelPlacement place = views::PlaceTimeLabels(c.width);
        EXPECT_EQ(place.elapsedLeft, c.elapsedLeft) << c.width;
        EXPECT_EQ(place.totalShown, c.totalShown) << c.width;
        if (c.totalShown) {
            EXPECT_EQ(place.totalLeft, c.totalLeft) << c.width;
        }
    }
}
