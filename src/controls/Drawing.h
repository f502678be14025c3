#pragma once

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QRgb>

class QPainter;

namespace controls {

// Drawing in the controls' coordinates: for strokes, whole coordinates name pixel
// centres (a 1-pixel line at y 1 covers pixel row 1 exactly; an even-width line is
// kept on whole pixels), while fills, pictures and text take pixel edges. Colours
// are ARGB (0xAARRGGBB).

// Flat-capped (or round-capped) pen with mitred corners.
QPen FlatPen(QRgb argb, qreal width);
QPen RoundPen(QRgb argb, qreal width);

void StrokeLine(QPainter& painter, const QPen& pen, QPointF from, QPointF to);
void StrokeRect(QPainter& painter, const QPen& pen, const QRectF& rect);
// Angles in degrees, clockwise from the positive x axis (y grows downwards).
void StrokeArc(QPainter& painter, const QPen& pen, const QRectF& ellipse, qreal startDegrees,
               qreal sweepDegrees);

// A linear gradient from `fromArgb` at `from` to `toArgb` at `to`, padded beyond.
QLinearGradient Gradient(QPointF from, QRgb fromArgb, QPointF to, QRgb toArgb);

// The knob of the speed and volume controls: a 12 x 12 disc shaded diagonally
// from yellow to red, its box's top-left corner at (x, y).
void DrawKnob(QPainter& painter, qreal x, qreal y);

// The picture scaled smoothly into `target`; nothing for a null picture.
void DrawPicture(QPainter& painter, const QImage& picture, const QRectF& target);

}  // namespace controls
