#pragma once

#include "controls/OwnerDrawnControl.h"

#include <QImage>

namespace controls {

// What the horizontal and vertical bars share: a double range and position, a
// square thumb picture ("RID_Thumb") whose centre follows the pointer, and an
// inverted mode that measures the position from the maximum at the left (top).
// OnChange is fired only for changes made with the mouse.
class ThumbScrollBar : public OwnerDrawnControl {
  public:
    // A maximum below the minimum is raised to it; the position goes to the
    // maximum when inverted, else to the minimum; repaints; no event. A new bar
    // has the range 0..100 and the position 0.
    void SetRange(double minimum, double maximum);
    // Clamped to the range (NaN gives the minimum); repaints; no event.
    void SetPosition(double value);
    double Position() const { return position_; }
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    bool Inverted() const { return inverted_; }
    bool Dragging() const { return dragging_; }
    bool HasThumbImage() const { return !thumb_.isNull(); }
    // Where the thumb is drawn, from the current state.
    QRect ThumbRect() const;

    NotifyEvent OnChange;

  protected:
    ThumbScrollBar(QWidget* parent, const QRect& bounds, Anchors anchors, bool inverted,
                   Qt::Orientation orientation);

    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Resize() override;
    void Paint(QPainter& painter) override;

  private:
    int Along(int x, int y) const;
    int ThumbSide() const;
    int TrackLength() const;
    void MoveTo(int p);

    Qt::Orientation orientation_;
    QImage thumb_;
    double minimum_ = 0.0;
    double maximum_ = 100.0;
    double valuePerPixel_ = 0.0;
    double position_ = 0.0;
    bool dragging_ = false;
    bool inverted_;
};

}  // namespace controls
