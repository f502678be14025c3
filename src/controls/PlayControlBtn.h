#pragma once

#include "controls/ButtonState.h"
#include "controls/OwnerDrawnControl.h"

enum class PlayButtonKind : int {
    Play = 0,
    Pause = 1,
    NextFrame = 2,
    PrevFrame = 3,
};

// A round-cornered play-control button: a gradient face with the glyph of its
// kind, framed in grey or, hovered and pressed, in blue.
class TPlayControlBtn : public controls::OwnerDrawnControl {
  public:
    TPlayControlBtn(QWidget* parent, controls::Anchors anchors, const QRect& bounds,
                    PlayButtonKind kind);

    PlayButtonKind Kind() const { return kind_; }
    ButtonState State() const { return state_; }

    // Fired on a release inside the pressed button.
    controls::NotifyEvent OnClick;

  protected:
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Paint(QPainter& painter) override;

  private:
    void SetState(ButtonState state);

    PlayButtonKind kind_;
    QSize faceSize_;  // the size the face's glyph is laid out for
    ButtonState state_ = ButtonState::None;
};
