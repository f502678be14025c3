#pragma once

#include "controls/KnobSlider.h"

// The volume slider, 0..100 in steps of 5, with a speaker that mutes and
// restores. The volume is reported on every changed drag step and every release.
class TPlayControlVol : public controls::KnobSlider {
  public:
    TPlayControlVol(QWidget* parent, controls::Anchors anchors, const QRect& bounds);

    int Volume() const;
    // Clamped to 0..100 and lowered to a step of 5; repaints; no event.
    void SetVolume(int volume);

    // (sender, volume 0..100)
    controls::ValueEvent OnVolumeChange;

  protected:
    controls::KnobTrack Track() const override;
    void StepDragged() override;
    void Released(bool signClicked) override;
    void Paint(QPainter& painter) override;

  private:
    int savedVolume_ = 0;
};
