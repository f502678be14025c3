#include "PlayTimeLine.h"

#include "controls/Drawing.h"
#include "foundation/Commonfun.h"

#include <QPainter>

#include <cmath>

QString FormatPlayTime(double seconds) {
    if (seconds < 0.0) {
        return QStringLiteral("-") + FormatSecondsHMS(-seconds);
    }
    return FormatSecondsHMS(seconds);
}

namespace {

// A capsule 60 x 16: two half discs 17 x 16 joined by a bar, shaded from top to
// bottom, drawn as one figure so that the parts leave no seams.
void DrawMarker(QPainter& painter, const QRectF& at, QRgb top, QRgb bottom) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(controls::Gradient(QPointF(0, at.y()), top, QPointF(0, at.y() + 16), bottom));
    painter.drawRoundedRect(QRectF(at.x(), at.y(), 60, 16), 8.5, 8);
}

void DrawThumb(QPainter& painter, const QRectF& at) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(
        controls::Gradient(at.topLeft(), 0xFFFFC8C8, at.topLeft() + QPointF(16, 16), 0xFFFF0000));
    painter.drawEllipse(QRectF(at.x(), at.y(), 16, 16));
}

}  // namespace

TPlayTimeLine::TPlayTimeLine(QWidget* parent, controls::Anchors anchors, const QRect& bounds)
    : OwnerDrawnControl(parent, anchors, bounds) {
    model_.SetWidth(width());
    SetDuration(100.0);
}

void TPlayTimeLine::SetDuration(double duration) {
    model_.SetDuration(duration);
    update();
}

void TPlayTimeLine::SetPosition(double position) {
    model_.SetPosition(position);
    update();
}

void TPlayTimeLine::Resize() {
    model_.SetWidth(width());
}

void TPlayTimeLine::Report(const controls::TimeLineChanges& changes) {
    if (changes.position && OnPositionChange) {
        OnPositionChange(this, model_.Position());
    }
    if (changes.startPoint && OnStartPointChange) {
        OnStartPointChange(this, model_.StartPoint());
    }
    if (changes.endPoint && OnEndPointChange) {
        OnEndPointChange(this, model_.EndPoint());
    }
}

void TPlayTimeLine::MouseDown(Qt::MouseButton, int x, int y) {
    const controls::TimeLineChanges changes = model_.Press(x, y, IsHandCursor());
    if (changes.position) {
        Report(changes);
        update();
    }
}

void TPlayTimeLine::MouseMove(Qt::MouseButtons, int x, int y) {
    if (model_.DragMode() != controls::TimeLineModel::kNone) {
        Report(model_.DragTo(x));
        update();
        return;
    }
    Hover(x, y);
}

void TPlayTimeLine::Hover(int x, int y) {
    if (model_.PartAt(x, y) != controls::TimeLineModel::kNone) {
        if (!IsHandCursor()) {
            const controls::TimeLineParts parts = model_.Parts();
            SetHandCursor(true);
            setToolTip(controls::HitsPart(parts.startMarker, x, y) ? startHint_
                       : controls::HitsPart(parts.endMarker, x, y) ? endHint_
                                                                   : QString());
        }
    } else if (CursorShape() != Qt::ArrowCursor) {
        SetHandCursor(false);
        setToolTip(QString());
    }
}

void TPlayTimeLine::MouseUp(Qt::MouseButton, int, int) {
    model_.EndDrag();
}

void TPlayTimeLine::MouseLeave() {
    model_.EndDrag();
}

void TPlayTimeLine::Paint(QPainter& painter) {
    using namespace controls;
    const int h = height() / 2;
    QPen pen = RoundPen(0xC8323232, 5);
    StrokeLine(painter, pen, QPointF(3, h), QPointF(width() - 3, h));

    const TimeLineParts parts = model_.Parts();
    pen.setWidthF(3);
    pen.setColor(QColor::fromRgba(0xC8F03232));
    const int playedFrom = static_cast<int>(parts.startMarker.x() + parts.startMarker.width());
    const int playedTo = static_cast<int>(parts.thumb.x());
    StrokeLine(painter, pen, QPointF(playedFrom, h), QPointF(playedTo, h));

    DrawMarker(painter, parts.startMarker, 0xE69E729E, 0xE642067A);
    DrawMarker(painter, parts.endMarker, 0xE6008ED2, 0xE6000965);
    DrawThumb(painter, parts.thumb);

    // 8 points at 96 dots per inch: the same pixel size on every screen.
    QFont font = this->font();
    font.setPointSizeF(768.0 / logicalDpiY());
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(0xDCFFFFFF));
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.drawText(parts.startMarker, flags, FormatPlayTime(model_.StartPoint()));
    painter.drawText(parts.endMarker, flags, FormatPlayTime(model_.EndPoint()));
}
