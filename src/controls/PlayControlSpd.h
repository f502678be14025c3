#pragma once

#include "controls/KnobSlider.h"

#include <array>

struct SpeedStep {
    double factor;
    const char16_t* caption;  // the same English text in every language
};

// The nine playback speeds, slowest first.
inline constexpr std::array<SpeedStep, 9> SpeedSteps{{
    {0.25, u"Speed x 0.25"},
    {0.5, u"Speed x 0.5"},
    {0.7, u"Speed x 0.7"},
    {0.8, u"Speed x 0.8"},
    {1.0, u"Normal"},
    {1.5, u"Speed x 1.5"},
    {2.0, u"Speed x 2"},
    {2.5, u"Speed x 2.5"},
    {3.0, u"Speed x 3"},
}};

// The playback-speed selector: a track with nine steps between a minus and a plus
// sign, a knob the user clicks or drags, and the caption of the chosen step. A
// click on the minus sign selects the slowest step, one on the plus sign the
// fastest. The speed is reported on every release.
class TPlayControlSpd : public controls::KnobSlider {
  public:
    TPlayControlSpd(QWidget* parent, controls::Anchors anchors, const QRect& bounds);

    // Selects the first step at or above `v` (the last step when none); no event.
    void SetSpeed(double v);
    double Speed() const { return speed_; }
    int StepIndex() const { return Step(); }

    // (sender, speed factor)
    controls::ValueEvent OnSpeedChange;

  protected:
    controls::KnobTrack Track() const override;
    void Released(bool signClicked) override;
    void Paint(QPainter& painter) override;

  private:
    double speed_ = 1.0;
};
