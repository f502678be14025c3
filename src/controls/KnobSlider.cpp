#include "KnobSlider.h"

namespace controls {

KnobSlider::KnobSlider(QWidget* parent, Anchors anchors, const QRect& bounds, int signRight)
    : OwnerDrawnControl(parent, anchors, bounds), signRight_(signRight) {}

void KnobSlider::SetStep(int step) {
    step_ = step;
    update();
}

void KnobSlider::MouseEnter() {
    update();
}

void KnobSlider::MouseLeave() {
    SetHandCursor(false);
    update();
}

void KnobSlider::MouseDown(Qt::MouseButton, int x, int y) {
    pressOnSign_ = OnSign(x, y);
    const KnobTrack track = Track();
    if (x > track.origin) {
        if (!track.OnKnob(x, step_)) {
            step_ = track.PressStep(x);
        }
        SetHandCursor(true);
        WarpPointer(QPoint(track.KnobX(step_) + kKnobSide / 2, height() / 2));
    }
    update();
}

void KnobSlider::MouseMove(Qt::MouseButtons, int x, int) {
    if (!IsHandCursor()) {
        return;
    }
    const int step = Track().DragStep(x);
    if (step != step_) {
        step_ = step;
        StepDragged();
        update();
    }
}

void KnobSlider::MouseUp(Qt::MouseButton, int x, int y) {
    const bool signClicked = !IsHandCursor() && pressOnSign_ && OnSign(x, y);
    pressOnSign_ = false;
    Released(signClicked);
    SetHandCursor(false);
    update();
}

}  // namespace controls
