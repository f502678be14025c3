#include "PlayControlBtn.h"

#include "controls/Drawing.h"

#include <QPainter>
#include <QPainterPath>

namespace {

struct Face {
    QRgb top;
    QRgb bottom;
};

Face FaceOf(PlayButtonKind kind) {
    if (kind == PlayButtonKind::Play || kind == PlayButtonKind::Pause) {
        return {0xFFBA0030, 0xFF510000};
    }
    return {0xFF969696, 0xFF281E19};
}

// The glyph of a kind laid out on a face of w x h (integer arithmetic).
QPainterPath Glyph(PlayButtonKind kind, int w, int h) {
    QPainterPath path;
    auto triangle = [&path](int ax, int ay, int bx, int by, int cx, int cy) {
        path.moveTo(ax, ay);
        path.lineTo(bx, by);
        path.lineTo(cx, cy);
        path.closeSubpath();
    };
    switch (kind) {
        case PlayButtonKind::Play:
            triangle(w / 6, h / 6, w / 6, 5 * h / 6, 5 * w / 6, h / 2);
            break;
        case PlayButtonKind::Pause:
            path.addRect(w / 6, h / 6, w / 4, 4 * h / 6);
            path.addRect(2 * (w / 6) + w / 4, h / 6, w / 4, 4 * h / 6);
            break;
        case PlayButtonKind::NextFrame:
            triangle(2 * w / 6, h / 6, 2 * w / 6, 5 * h / 6, 5 * w / 6, h / 2);
            path.addRect(w / 6, h / 6, 2 * w / 6 - w / 6 - 2, 4 * h / 6);
            break;
        case PlayButtonKind::PrevFrame:
            triangle(4 * w / 6, h / 6, 4 * w / 6, 5 * h / 6, w / 6, h / 2);
            path.addRect(4 * w / 6 + 2, h / 6, w / 6 - 2, 4 * h / 6);
            break;
    }
    return path;
}

}  // namespace

TPlayControlBtn::TPlayControlBtn(QWidget* parent, controls::Anchors anchors, const QRect& bounds,
                                 PlayButtonKind kind)
    : OwnerDrawnControl(parent, anchors, bounds), kind_(kind), faceSize_(bounds.size()) {}

void TPlayControlBtn::SetState(ButtonState state) {
    state_ = state;
    update();
}

void TPlayControlBtn::MouseLeave() {
    SetState(ButtonState::Normal);
}

void TPlayControlBtn::MouseDown(Qt::MouseButton, int, int) {
    SetState(ButtonState::Pressed);
}

// Only while the pointer is over the button: after a press has been dragged off
// it, the button stays normal.
void TPlayControlBtn::MouseMove(Qt::MouseButtons, int, int) {
    if (IsHovered() && state_ != ButtonState::Hover && state_ != ButtonState::Pressed) {
        SetState(ButtonState::Hover);
    }
}

void TPlayControlBtn::MouseUp(Qt::MouseButton, int x, int y) {
    const bool inside = 0 < x && x < width() && 0 < y && y < height();
    if (state_ == ButtonState::Pressed && inside && OnClick) {
        // Set before the event: the handler may hide this button, and hiding a
        // hovered control counts as the pointer's leave, which shows it normal.
        SetState(ButtonState::Hover);
        OnClick(this);
        return;
    }
    SetState(ButtonState::Normal);
}

void TPlayControlBtn::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    const int h = height();
    const bool pressed = state_ == ButtonState::Pressed;
    const bool lit = pressed || state_ == ButtonState::Hover;

    const QPen outline = FlatPen(0x960A0A0A, 3);
    StrokeRect(painter, outline, QRectF(1, 0, w - 3, h - 1));
    StrokeRect(painter, outline, QRectF(0, 1, w - 1, h - 3));
    const QPen inner = FlatPen(lit ? 0xFF9696C8 : 0xFF646464, 1);
    QRectF face;
    if (pressed) {
        StrokeRect(painter, inner, QRectF(3, 2, w - 6, h - 4));
        StrokeRect(painter, inner, QRectF(2, 3, w - 4, h - 6));
        face = QRectF(4, 4, w - 8, h - 8);
    } else {
        StrokeRect(painter, inner, QRectF(2, 1, w - 5, h - 3));
        StrokeRect(painter, inner, QRectF(1, 2, w - 3, h - 5));
        face = QRectF(3, 3, w - 7, h - 7);
    }

    // The face is laid out for the size the button was made with and scaled into
    // its place.
    const int fw = faceSize_.width();
    const int fh = faceSize_.height();
    if (fw <= 0 || fh <= 0 || face.isEmpty()) {
        return;
    }
    painter.save();
    painter.translate(face.topLeft());
    painter.scale(face.width() / fw, face.height() / fh);
    const Face colours = FaceOf(kind_);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gradient(QPointF(0, 0), colours.top, QPointF(0, fh), colours.bottom));
    painter.drawRect(QRectF(0, 0, fw, fh));
    painter.setBrush(QColor::fromRgba(0xFFE1E6E6));
    painter.drawPath(Glyph(kind_, fw, fh));
    painter.restore();
}
