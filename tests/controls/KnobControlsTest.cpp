#include "ControlHost.h"
#include "controls/KnobSteps.h"
#include "controls/PlayControlSpd.h"
#include "controls/PlayControlVol.h"

#include <gtest/gtest.h>

#include <vector>

using controls::KnobTrack;

TEST(KnobSteps, StepWidthFollowsTheWidthAndIsNeverZero) {
    EXPECT_EQ(controls::SpeedTrack(59).stepWidth, 1);
    EXPECT_EQ(controls::SpeedTrack(20).stepWidth, 1);
    EXPECT_EQ(controls::VolumeTrack(47).stepWidth, 1);
    EXPECT_EQ(controls::VolumeTrack(0).stepWidth, 1);
}

// The press warps the pointer to the knob's centre; a drag from there must stay
// on the step the press chose, at every width.
TEST(KnobSteps, WarpedPointerStaysOnThePressedStep) {
    for (int width = 40; width <= 300; width += 7) {
        for (const KnobTrack& track : {controls::SpeedTrack(width), controls::VolumeTrack(width)}) {
            for (int x = track.origin + 1; x < width; ++x) {
                const int step = track.PressStep(x);
                const int centre = track.KnobX(step) + controls::kKnobSide / 2;
                ASSERT_EQ(track.DragStep(centre), step)
                    << "width " << width << " origin " << track.origin << " x " << x;
            }
        }
    }
}

TEST(KnobSteps, SpeedStepAtOrAbove) {
    const std::pair<double, int> speeds[] = {{1.2, 5}, {0.1, 0},  {5.0, 8},
                                             {1.0, 4}, {0.25, 0}, {3.0, 8}};
    for (const auto& [speed, index] : speeds) {
        EXPECT_EQ(controls::SpeedIndexFor(speed), index) << speed;
    }
}

namespace {

// A control with the pointer warp recorded and its events counted.
template <typename Control>
struct KnobFixture {
    KnobFixture()
        : control(&host, controls::kAnchorsLeftTop, controls::BoundsRect(10, 10, 190, 40)) {
        control.SetPointerWarp([this](const QPoint& global) { warps.push_back(global); });
        control.show();
    }

    QPoint WarpedTo() const { return control.mapFromGlobal(warps.back()); }

    ControlHost host;
    Control control;
    std::vector<QPoint> warps;
    std::vector<double> values;
};

}  // namespace

TEST(PlayControlSpd, ClickSelectsAStepAndReportsItOnRelease) {
    KnobFixture<TPlayControlSpd> f;
    f.control.OnSpeedChange = [&f](QObject* sender, double speed) {
        EXPECT_EQ(sender, &f.control);
        f.values.push_back(speed);
    };
    EXPECT_EQ(f.control.Speed(), 1.0);
    ControlHost::Press(&f.control, QPoint(100, 15));
    EXPECT_EQ(f.control.StepIndex(), 5);
    EXPECT_TRUE(f.values.empty());
    ASSERT_EQ(f.warps.size(), 1u);
    EXPECT_EQ(f.WarpedTo(), QPoint(5 * 16 + 20 + 6, 15));
    ControlHost::Release(&f.control, QPoint(100, 15));
    EXPECT_EQ(f.values, std::vector<double>{1.5});

    ControlHost::Click(&f.control, QPoint(5, 10));  // the minus sign
    EXPECT_EQ(f.control.Speed(), 0.25);
    ControlHost::Click(&f.control, QPoint(175, 10));  // the plus sign
    EXPECT_EQ(f.control.Speed(), 3.0);
    f.control.SetSpeed(1.2);
    EXPECT_EQ(f.control.Speed(), 1.5);
    EXPECT_EQ(f.values.size(), 3u);  // SetSpeed reports nothing
}

TEST(PlayControlSpd, ADragThatLeavesOverTheMinusSignIsNoClick) {
    KnobFixture<TPlayControlSpd> f;
    ControlHost::Press(&f.control, QPoint(100, 15));
    ControlHost::Move(&f.control, QPoint(140, 15));
    EXPECT_EQ(f.control.StepIndex(), 7);
    EXPECT_TRUE(f.control.IsHandCursor());
    ControlHost::Move(&f.control, QPoint(-20, 15));  // off the control: the drag ends
    EXPECT_FALSE(f.control.IsHandCursor());
    ControlHost::Move(&f.control, QPoint(30, 15));
    ControlHost::Release(&f.control, QPoint(5, 15));
    EXPECT_EQ(f.control.Speed(), 2.5);
}

TEST(PlayControlVol, PressDragAndReleaseReportTheVolume) {
    KnobFixture<TPlayControlVol> f;
    f.control.OnVolumeChange = [&f](QObject*, double volume) { f.values.push_back(volume); };
    f.control.SetVolume(50);
    ControlHost::Click(&f.control, QPoint(106, 15));  // on the knob (95..107): it stays
    ControlHost::Press(&f.control, QPoint(65, 15));
    EXPECT_EQ(f.control.Volume(), 25);
    ControlHost::Move(&f.control, f.WarpedTo());  // the pointer lands on the knob's centre
    EXPECT_EQ(f.control.Volume(), 25);
    ControlHost::Move(&f.control, f.WarpedTo() + QPoint(6, 0));
    ControlHost::Move(&f.control, f.WarpedTo() + QPoint(8, 0));
    ControlHost::Move(&f.control, f.WarpedTo() + QPoint(12, 0));
    ControlHost::Release(&f.control, f.WarpedTo() + QPoint(12, 0));
    EXPECT_EQ(f.values, (std::vector<double>{50, 30, 35, 35}));
}

TEST(PlayControlVol, SpeakerMutesAndRestoresOnlyOnAClick) {
    KnobFixture<TPlayControlVol> f;
    f.control.OnVolumeChange = [&f](QObject*, double volume) { f.values.push_back(volume); };
    ControlHost::Click(&f.control, QPoint(10, 15));
    EXPECT_EQ(f.control.Volume(), 30);  // a fresh control has nothing saved
    f.control.SetVolume(50);
    ControlHost::Click(&f.control, QPoint(10, 15));
    EXPECT_EQ(f.control.Volume(), 0);
    ControlHost::Click(&f.control, QPoint(10, 15));
    EXPECT_EQ(f.control.Volume(), 50);
    EXPECT_EQ(f.values, (std::vector<double>{30, 0, 50}));

    // A drag off the left end, released over the speaker, leaves the sound on.
    ControlHost::Press(&f.control, QPoint(101, 15));
    ControlHost::Move(&f.control, QPoint(-10, 15));
    ControlHost::Release(&f.control, QPoint(10, 15));
    EXPECT_EQ(f.control.Volume(), 50);
    EXPECT_FALSE(f.control.IsHandCursor());
}
