#pragma once

namespace controls {

// The arithmetic of the speed and volume controls: a knob 12 pixels wide that
// stands on one of a row of steps, step i's knob at origin + i x step width.

inline constexpr int kKnobSide = 12;

struct KnobTrack {
    int origin = 0;     // x of step 0's knob
    int stepWidth = 1;  // pixels per step, at least 1
    int lastStep = 0;

    int KnobX(int step) const { return step * stepWidth + origin; }
    bool OnKnob(int x, int step) const { return KnobX(step) <= x && x <= KnobX(step) + kKnobSide; }
    // The step a press at `x` chooses: the step whose cell holds x.
    int PressStep(int x) const;
    // The step a drag puts the knob on: the pointer stands at the knob's centre
    // (where the press warps it), so the knob's left edge picks the step.
    int DragStep(int x) const;
};

// The speed control: origin 20, eight steps over width - 52 pixels.
KnobTrack SpeedTrack(int width);
// The volume control: origin 35, twenty steps of 5 over width - 47 pixels.
KnobTrack VolumeTrack(int width);

// The first speed step whose factor is at or above `speed`; the last one when
// none is.
int SpeedIndexFor(double speed);

// The speaker's toggle: a sounding volume is saved and muted; a muted one comes
// back to the saved volume, or 30 when none was saved.
int ToggleMute(int volume, int& savedVolume);

}  // namespace controls
