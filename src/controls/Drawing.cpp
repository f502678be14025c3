#include "Drawing.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace controls {

namespace {

// Whole coordinates name pixel centres; a pen of even width is moved to the pixel
// edge instead, so that it covers whole pixels rather than halves of two more.
QPointF StrokeShift(const QPen& pen) {
    const qreal width = pen.widthF();
    const bool evenWidth = width == std::floor(width) && static_cast<long>(width) % 2 == 0;
    return evenWidth ? QPointF(0, 0) : QPointF(0.5, 0.5);
}

QPen MakePen(QRgb argb, qreal width, Qt::PenCapStyle cap) {
    QPen pen(QColor::fromRgba(argb), width, Qt::SolidLine, cap, Qt::MiterJoin);
    return pen;
}

}  // namespace

QPen FlatPen(QRgb argb, qreal width) {
    return MakePen(argb, width, Qt::FlatCap);
}

QPen RoundPen(QRgb argb, qreal width) {
    return MakePen(argb, width, Qt::RoundCap);
}

void StrokeLine(QPainter& painter, const QPen& pen, QPointF from, QPointF to) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(from + StrokeShift(pen), to + StrokeShift(pen));
}

void StrokeRect(QPainter& painter, const QPen& pen, const QRectF& rect) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.translated(StrokeShift(pen)));
}

void StrokeArc(QPainter& painter, const QPen& pen, const QRectF& ellipse, qreal startDegrees,
               qreal sweepDegrees) {
    QPainterPath path;
    const QRectF box = ellipse.translated(StrokeShift(pen));
    path.arcMoveTo(box, -startDegrees);
    path.arcTo(box, -startDegrees, -sweepDegrees);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

QLinearGradient Gradient(QPointF from, QRgb fromArgb, QPointF to, QRgb toArgb) {
    QLinearGradient gradient(from, to);
    gradient.setColorAt(0.0, QColor::fromRgba(fromArgb));
    gradient.setColorAt(1.0, QColor::fromRgba(toArgb));
    return gradient;
}

void DrawKnob(QPainter& painter, qreal x, qreal y) {
    constexpr qreal kSide = 12;
    painter.setPen(Qt::NoPen);
    painter.setBrush(
        Gradient(QPointF(x, y), 0xC8FFFF00, QPointF(x + kSide, y + kSide), 0xC8FF0000));
    painter.drawEllipse(QRectF(x, y, kSide, kSide));
}

// Large pictures drawn small are averaged over their pixels first; the painter's
// own filter only blends neighbours and would alias.
void DrawPicture(QPainter& painter, const QImage& picture, const QRectF& target) {
    if (picture.isNull() || target.isEmpty()) {
        return;
    }
    const qreal scale = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(static_cast<int>(std::lround(target.width() * scale)),
                       static_cast<int>(std::lround(target.height() * scale)));
    if (pixels.width() > 0 && pixels.height() > 0 && pixels.width() < picture.width() &&
        pixels.height() < picture.height()) {
        painter.drawImage(target,
                          picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return;
    }
    painter.drawImage(target, picture);
}

}  // namespace controls
