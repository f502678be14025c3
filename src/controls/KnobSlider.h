#pragma once

#include "controls/KnobSteps.h"
#include "controls/OwnerDrawnControl.h"

namespace controls {

// What the speed and volume controls share: a knob on a row of steps that a press
// right of the track's start moves (or grabs) and a drag carries, with the hand
// cursor as the drag flag and the pointer warped to the knob's centre; a sign at
// the left end that acts on a click; a frame while hovered.
class KnobSlider : public OwnerDrawnControl {
  public:
    int StepWidth() const { return Track().stepWidth; }

  protected:
    // Presses left of `signRight` fall on the sign.
    KnobSlider(QWidget* parent, Anchors anchors, const QRect& bounds, int signRight);

    // The steps for the control's width; presses at or left of its origin start
    // no drag.
    virtual KnobTrack Track() const = 0;
    int Step() const { return step_; }
    void SetStep(int step);

    // A drag moved the knob to another step.
    virtual void StepDragged() {}
    // Every release; `signClicked` when press and release both fell on the sign
    // without a drag. A drag that left the control and ends over the sign is no
    // click.
    virtual void Released(bool signClicked) = 0;

    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;

  private:
    bool OnSign(int x, int y) const { return x < signRight_ && rect().contains(x, y); }

    int signRight_;
    int step_ = 0;
    bool pressOnSign_ = false;
};

}  // namespace controls
