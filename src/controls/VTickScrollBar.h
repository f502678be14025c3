#pragma once

#include "controls/OwnerDrawnControl.h"

// A vertical bar with an integer range and a drawn thumb whose length shows how
// much of the range fits the track: the file list's rows. OnChange is fired only
// for changes made with the mouse.
class TVTickScrollBar : public controls::OwnerDrawnControl {
  public:
    // Minimum 0, maximum 100, position 0.
    TVTickScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors);

    // No ordering check; a position above the new maximum is lowered to it.
    void SetRange(int minimum, int maximum);
    // Clamped to the range; repaints; no event.
    void SetPosition(int value);
    int Position() const { return position_; }
    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    bool Dragging() const { return dragging_; }
    int ThumbTop() const;
    int ThumbLength() const { return thumbLength_; }
    double ValuePerPixel() const { return valuePerPixel_; }

    controls::NotifyEvent OnChange;

  protected:
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Resize() override;
    void Paint(QPainter& painter) override;

  private:
    void Change(int position);

    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    double valuePerPixel_ = 1.0;
    int thumbLength_ = 0;
    bool dragging_ = false;
    int dragAnchor_ = 0;
    double dragValue_ = 0.0;  // the unrounded position while dragging
};
