#include "PlayControlSpd.h"

#include "controls/Drawing.h"

#include <QPainter>

namespace {

constexpr int kMinusRight = 15;  // the minus sign's right end

void DrawSignBar(QPainter& painter, qreal x, qreal y, qreal w, qreal h) {
    painter.fillRect(QRectF(x, y, w, h), QColor::fromRgba(0xFFC8C8C8));
}

}  // namespace

TPlayControlSpd::TPlayControlSpd(QWidget* parent, controls::Anchors anchors, const QRect& bounds)
    : KnobSlider(parent, anchors, bounds, kMinusRight) {
    SetSpeed(1.0);
}

controls::KnobTrack TPlayControlSpd::Track() const {
    return controls::SpeedTrack(width());
}

void TPlayControlSpd::SetSpeed(double v) {
    SetStep(controls::SpeedIndexFor(v));
    speed_ = SpeedSteps[Step()].factor;
}

void TPlayControlSpd::Released(bool signClicked) {
    if (signClicked) {
        SetStep(0);
    }
    speed_ = SpeedSteps[Step()].factor;
    if (OnSpeedChange) {
        OnSpeedChange(this, speed_);
    }
}

void TPlayControlSpd::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    const int h = height();
    const int yT = h / 3;
    const int stepWidth = StepWidth();
    const int sliderLength = 8 * stepWidth + 12;
    if (sliderLength > 24) {
        StrokeLine(painter, RoundPen(0xC8969696, 6), QPointF(23, yT),
                   QPointF(sliderLength + 17, yT));
        QPen pen = RoundPen(0xFFC8C8C8, 3);
        const int normalX = sliderLength / 2 + 20;
        StrokeLine(painter, pen, QPointF(normalX, 2), QPointF(normalX, 15));
        DrawKnob(painter, Track().KnobX(Step()), yT - 6);
        if (IsHovered()) {
            pen.setWidthF(2);
            StrokeRect(painter, pen, QRectF(1, 1, w - 2, h - 2));
        }
    }
    DrawSignBar(painter, 0, yT - 7 + 6, 15, 3);
    const int plusX = sliderLength + 25;
    DrawSignBar(painter, plusX, yT - 7 + 6, 15, 3);
    DrawSignBar(painter, plusX + 6, yT - 7, 3, 15);

    QFont font = this->font();
    font.setPointSizeF(8);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(0xDCFFFFFF));
    painter.drawText(QRectF(0, yT + 7, w, h), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromUtf16(SpeedSteps[Step()].caption));
}
