#include "PlayControlVol.h"

#include "controls/Drawing.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace {

constexpr int kSpeakerRight = 30;  // presses left of it fall on the speaker
constexpr int kVolumeStep = 5;

}  // namespace

TPlayControlVol::TPlayControlVol(QWidget* parent, controls::Anchors anchors, const QRect& bounds)
    : KnobSlider(parent, anchors, bounds, kSpeakerRight) {}

controls::KnobTrack TPlayControlVol::Track() const {
    return controls::VolumeTrack(width());
}

int TPlayControlVol::Volume() const {
    return Step() * kVolumeStep;
}

void TPlayControlVol::SetVolume(int volume) {
    SetStep(std::clamp(volume, 0, 100) / kVolumeStep);
}

void TPlayControlVol::StepDragged() {
    if (OnVolumeChange) {
        OnVolumeChange(this, Volume());
    }
}

void TPlayControlVol::Released(bool signClicked) {
    if (signClicked) {
        SetVolume(controls::ToggleMute(Volume(), savedVolume_));
    }
    if (OnVolumeChange) {
        OnVolumeChange(this, Volume());
    }
}

void TPlayControlVol::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    const int h = height();
    const int yc = h / 2;
    const int volume = Volume();
    const int stepWidth = StepWidth();
    const int knobX = Track().KnobX(Step());
    if (20 * stepWidth + 12 > 24) {
        StrokeLine(painter, RoundPen(0xC8969696, 6), QPointF(38, yc),
                   QPointF(20 * stepWidth + 44, yc));
        QPen pen = RoundPen(0xC896FA96, 6);
        if (IsHovered()) {
            pen.setWidthF(2);
            StrokeRect(painter, pen, QRectF(1, 1, w - 2, h - 2));
        }
        if (volume > 0) {
            pen.setWidthF(3);
            StrokeLine(painter, pen, QPointF(36, yc), QPointF(static_cast<int>(knobX - 1.5), yc));
        }
        DrawKnob(painter, knobX, yc - 6);
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(0xFFC8C8C8));
    painter.drawRect(QRectF(3, yc - 3, 3, 6));
    painter.drawPolygon(QPolygonF(
        {QPointF(7, yc - 3), QPointF(7, yc + 3), QPointF(13, yc + 8), QPointF(13, yc - 8)}));
    painter.setBrush(QColor::fromRgba(0xFFB4B4B4));
    painter.drawPolygon(QPolygonF(
        {QPointF(13, yc - 8), QPointF(15, yc - 8), QPointF(15, yc + 8), QPointF(13, yc + 8)}));
    if (volume > 0) {
        const QPen wave = FlatPen(0xFFC8C8C8, 2);
        StrokeArc(painter, wave, QRectF(12, yc - 4, 8, 8), -60, 120);
        if (volume > 40) {
            StrokeArc(painter, wave, QRectF(12, yc - 6, 12, 12), -60, 120);
        }
        if (volume > 80) {
            StrokeArc(painter, wave, QRectF(12, yc - 8, 16, 16), -60, 120);
        }
    } else {
        const QPen cross = FlatPen(0xFFFF0000, 2);
        StrokeLine(painter, cross, QPointF(3, yc - 8), QPointF(15, yc + 8));
        StrokeLine(painter, cross, QPointF(15, yc - 8), QPointF(3, yc + 8));
    }
}
