#pragma once

#include <functional>

// What the play-control panel's buttons do: 0 no media, 1 playing, 2 paused or ready.
enum PlayPanelState : int {
    PLAY_PANEL_NO_MEDIA = 0,
    PLAY_PANEL_PLAYING = 1,
    PLAY_PANEL_READY = 2,
};

namespace views {

// The play-control panel's state machine, without a window. Each event is called
// only when assigned, while the state is still the one that raised it (a handler
// that calls back in sees the old state).
class PlayPanelLogic {
  public:
    std::function<void()> onPlay;
    std::function<void()> onPause;
    std::function<void()> onPrevFrame;
    std::function<void()> onNextFrame;
    // The pause button replaces the play button (true) or the other way round.
    std::function<void(bool pauseShown)> onButtonChange;

    int State() const { return state_; }
    bool PauseShown() const { return pauseShown_; }

    // A new play list: ready when it has a duration, else no media; play shown.
    void SetDuration(double duration);
    // The play button: no media does nothing; ready raises onPlay; then playing.
    void Play();
    // The pause button, from any state: playing raises onPause; then ready.
    void Pause();
    // A frame button: while playing it only pauses; ready raises the step.
    void StepFrame(bool forward);
    // Playback pauses once the position reaches the end point rounded up to a whole
    // second; only while playing.
    void ReachPosition(double position, double endPoint);

  private:
    void ShowPause(bool shown);

    int state_ = PLAY_PANEL_NO_MEDIA;
    bool pauseShown_ = false;
};

// Where the two time labels go in a panel `width` pixels wide: a narrow panel shows
// only the elapsed label, centred.
struct TimeLabelPlacement {
    int elapsedLeft = 0;
    int totalLeft = 0;
    bool totalShown = false;
};
inline constexpr int kTimeLabelWidth = 130;
inline constexpr int kNarrowPanelWidth = 740;
TimeLabelPlacement PlaceTimeLabels(int width);

}  // namespace views
