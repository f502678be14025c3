#include "PlayPanelLogic.h"

#include <cmath>

namespace views {

void PlayPanelLogic::ShowPause(bool shown) {
    pauseShown_ = shown;
    if (onButtonChange) {
        onButtonChange(shown);
    }
}

void PlayPanelLogic::SetDuration(double duration) {
    state_ = duration > 0 ? PLAY_PANEL_READY : PLAY_PANEL_NO_MEDIA;
    ShowPause(false);
}

void PlayPanelLogic::Play() {
    if (state_ == PLAY_PANEL_NO_MEDIA) {
        return;
    }
    ShowPause(true);
    if (state_ == PLAY_PANEL_READY && onPlay) {
        onPlay();
    }
    state_ = PLAY_PANEL_PLAYING;
}

void PlayPanelLogic::Pause() {
    ShowPause(false);
    if (state_ == PLAY_PANEL_PLAYING && onPause) {
        onPause();
    }
    state_ = PLAY_PANEL_READY;
}

void PlayPanelLogic::StepFrame(bool forward) {
    if (state_ == PLAY_PANEL_PLAYING) {
        Pause();  // the first press stops playback; the next one steps
    } else if (state_ == PLAY_PANEL_READY) {
        const std::function<void()>& step = forward ? onNextFrame : onPrevFrame;
        if (step) {
            step();
        }
    }
}

void PlayPanelLogic::ReachPosition(double position, double endPoint) {
    if (state_ == PLAY_PANEL_PLAYING && position >= std::ceil(endPoint)) {
        Pause();
    }
}

TimeLabelPlacement PlaceTimeLabels(int width) {
    if (width < kNarrowPanelWidth) {
        return {.elapsedLeft = (width - kTimeLabelWidth) / 2, .totalLeft = 0, .totalShown = false};
    }
    return {.elapsedLeft = width / 2 - kTimeLabelWidth, .totalLeft = width / 2, .totalShown = true};
}

}  // namespace views
