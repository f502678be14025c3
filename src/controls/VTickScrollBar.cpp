#include "VTickScrollBar.h"

#include "controls/Drawing.h"
#include "controls/ScrollBarScale.h"

#include <QPainter>

#include <cmath>

TVTickScrollBar::TVTickScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors)
    : OwnerDrawnControl(parent, anchors, bounds) {
    Resize();
}

void TVTickScrollBar::Resize() {
    const controls::TickScale scale = controls::TickBarScale(width(), height(), minimum_, maximum_);
    valuePerPixel_ = scale.valuePerPixel;
    thumbLength_ = scale.thumbLength;
}

void TVTickScrollBar::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    if (position_ > maximum_) {
        position_ = maximum_;
    }
    Resize();
    update();
}

void TVTickScrollBar::SetPosition(int value) {
    position_ = controls::ClampTick(value, minimum_, maximum_);
    update();
}

int TVTickScrollBar::ThumbTop() const {
    return controls::TickThumbTop(position_, minimum_, valuePerPixel_);
}

void TVTickScrollBar::Change(int position) {
    position_ = position;
    if (OnChange) {
        OnChange(this);
    }
    update();
}

// Whether the press falls on the thumb is decided by where the thumb is, not by a
// hover that may not have happened.
void TVTickScrollBar::MouseDown(Qt::MouseButton, int, int y) {
    const int top = ThumbTop();
    if (top <= y && y <= top + thumbLength_) {
        SetHandCursor(true);
        dragging_ = true;
        dragAnchor_ = y;
        dragValue_ = position_;
        return;
    }
    Change(controls::ClampTick(controls::TickPageStep(position_, y, top, thumbLength_), minimum_,
                               maximum_));
}

void TVTickScrollBar::MouseMove(Qt::MouseButtons, int, int y) {
    if (dragging_) {
        dragValue_ =
            controls::TickDrag(dragValue_, dragAnchor_, y, valuePerPixel_, minimum_, maximum_);
        dragAnchor_ = y;
        Change(controls::ClampTick(std::llround(dragValue_), minimum_, maximum_));
        return;
    }
    const int top = ThumbTop();
    SetHandCursor(top < y && y < top + thumbLength_);
}

void TVTickScrollBar::MouseUp(Qt::MouseButton, int, int) {
    dragging_ = false;
}

void TVTickScrollBar::MouseLeave() {
    dragging_ = false;
}

void TVTickScrollBar::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    StrokeLine(painter, RoundPen(0x96969696, 5), QPointF(w / 2, 3), QPointF(w / 2, height() - 6));
    const int top = ThumbTop();
    StrokeLine(painter, RoundPen(0x96323232, 15), QPointF(w / 2, top),
               QPointF(w / 2, top + thumbLength_));
}
