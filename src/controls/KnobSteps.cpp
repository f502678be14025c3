#include "KnobSteps.h"

#include "controls/PlayControlSpd.h"

#include <algorithm>

namespace controls {

namespace {

KnobTrack MakeTrack(int origin, int width, int fixedPixels, int steps) {
    KnobTrack track;
    track.origin = origin;
    track.stepWidth = std::max(1, (width - fixedPixels) / steps);
    track.lastStep = steps;
    return track;
}

}  // namespace

// Left of the origin the quotient rounds toward zero, and the clamp makes it step 0
// all the same.
int KnobTrack::PressStep(int x) const {
    return std::clamp((x - origin) / stepWidth, 0, lastStep);
}

int KnobTrack::DragStep(int x) const {
    return std::clamp((x - kKnobSide / 2 - origin) / stepWidth, 0, lastStep);
}

KnobTrack SpeedTrack(int width) {
    return MakeTrack(20, width, 52, static_cast<int>(SpeedSteps.size()) - 1);
}

KnobTrack VolumeTrack(int width) {
    return MakeTrack(35, width, 47, 20);
}

int SpeedIndexFor(double speed) {
    for (std::size_t i = 0; i < SpeedSteps.size(); ++i) {
        if (SpeedSteps[i].factor >= speed) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(SpeedSteps.size()) - 1;
}

int ToggleMute(int volume, int& savedVolume) {
    if (volume != 0) {
        savedVolume = volume;
        return 0;
    }
    return savedVolume != 0 ? savedVolume : 30;
}

}  // namespace controls
