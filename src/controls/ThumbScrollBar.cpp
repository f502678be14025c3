#include "ThumbScrollBar.h"

#include "controls/Drawing.h"
#include "controls/ScrollBarScale.h"
#include "foundation/Commonfun.h"
#include "platform/DebugOutput.h"

#include <QPainter>

namespace controls {

ThumbScrollBar::ThumbScrollBar(QWidget* parent, const QRect& bounds, Anchors anchors, bool inverted,
                               Qt::Orientation orientation)
    : OwnerDrawnControl(parent, anchors, bounds),
      orientation_(orientation),
      thumb_(LoadResourceImage(QStringLiteral("RID_Thumb"))),
      inverted_(inverted) {
    if (thumb_.isNull()) {
        platform::DebugOutput::Write(QStringLiteral("Icon Resource is not find"));
    }
    Resize();
}

int ThumbScrollBar::Along(int x, int y) const {
    return orientation_ == Qt::Horizontal ? x : y;
}

int ThumbScrollBar::ThumbSide() const {
    return orientation_ == Qt::Horizontal ? height() - 2 : width() - 2;
}

int ThumbScrollBar::TrackLength() const {
    const int length = orientation_ == Qt::Horizontal ? width() : height();
    return controls::TrackLength(length, ThumbSide());
}

void ThumbScrollBar::Resize() {
    valuePerPixel_ = (maximum_ - minimum_) / TrackLength();
}

void ThumbScrollBar::SetRange(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = maximum < minimum ? minimum : maximum;
    // From the arguments: a reversed range gives a negative value per pixel.
    valuePerPixel_ = (maximum - minimum) / TrackLength();
    position_ = inverted_ ? maximum_ : minimum_;
    update();
}

void ThumbScrollBar::SetPosition(double value) {
    if (!(value >= minimum_)) {  // NaN too
        value = minimum_;
    }
    if (value > maximum_) {
        value = maximum_;
    }
    position_ = value;
    update();
}

QRect ThumbScrollBar::ThumbRect() const {
    const int side = ThumbSide();
    const int offset =
        ThumbOffset(position_, minimum_, maximum_, valuePerPixel_, inverted_, TrackLength());
    return orientation_ == Qt::Horizontal ? QRect(offset, 1, side, side)
                                          : QRect(1, offset, side, side);
}

void ThumbScrollBar::MoveTo(int p) {
    position_ = ThumbValueAt(p, ThumbSide() / 2, minimum_, maximum_, valuePerPixel_, inverted_);
    if (OnChange) {
        OnChange(this);
    }
    update();
}

void ThumbScrollBar::MouseDown(Qt::MouseButton, int x, int y) {
    if (IsHandCursor()) {
        dragging_ = true;
        return;
    }
    MoveTo(Along(x, y));
}

void ThumbScrollBar::MouseMove(Qt::MouseButtons, int x, int y) {
    const int p = Along(x, y);
    if (dragging_) {
        MoveTo(p);
        return;
    }
    const QRect thumb = ThumbRect();
    const int start = orientation_ == Qt::Horizontal ? thumb.x() : thumb.y();
    SetHandCursor(start < p && p < start + ThumbSide());
}

void ThumbScrollBar::MouseUp(Qt::MouseButton, int, int) {
    dragging_ = false;
}

void ThumbScrollBar::MouseLeave() {
    dragging_ = false;
}

void ThumbScrollBar::Paint(QPainter& painter) {
    const QPen pen = RoundPen(0x96969696, 5);
    const int w = width();
    const int h = height();
    if (orientation_ == Qt::Horizontal) {
        StrokeLine(painter, pen, QPointF(3, h / 2), QPointF(w - 6, h / 2));
    } else {
        StrokeLine(painter, pen, QPointF(w / 2, 3), QPointF(w / 2, h - 6));
    }
    DrawPicture(painter, thumb_, QRectF(ThumbRect()));
}

}  // namespace controls
