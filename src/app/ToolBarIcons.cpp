#include "ToolBarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace app {

namespace {

constexpr int kWidth = 36;
constexpr int kHeight = 24;

void DrawCamera(QPainter& p) {
    p.drawRoundedRect(QRectF(8.5, 7.5, 19, 13), 2.5, 2.5);
    p.drawRect(QRectF(13.5, 4.5, 7, 3));
    p.drawEllipse(QPointF(18, 14), 4.2, 4.2);
    p.drawPoint(QPointF(24.5, 10.5));
}

void DrawScissors(QPainter& p) {
    p.drawEllipse(QPointF(10.5, 7.5), 3.2, 3.2);
    p.drawEllipse(QPointF(10.5, 16.5), 3.2, 3.2);
    p.drawLine(QPointF(13.3, 9.2), QPointF(28, 17.5));
    p.drawLine(QPointF(13.3, 14.8), QPointF(28, 6.5));
}

void DrawGear(QPainter& p) {
    const QPointF centre(18, 12);
    constexpr int kTeeth = 8;
    QPainterPath outline;
    for (int i = 0; i < kTeeth * 4; ++i) {
        // Each tooth: two points out, two in.
        const double radius = (i % 4 < 2) ? 9.0 : 6.8;
        const double angle = (i - 0.5) * 2.0 * std::numbers::pi / (kTeeth * 4);
        const QPointF point(centre.x() + radius * std::cos(angle),
                            centre.y() + radius * std::sin(angle));
        if (i == 0) {
            outline.moveTo(point);
        } else {
            outline.lineTo(point);
        }
    }
    outline.closeSubpath();
    p.drawPath(outline);
    p.drawEllipse(centre, 2.8, 2.8);
}

void DrawPin(QPainter& p) {
    QPainterPath pin;
    pin.moveTo(18, 21);
    pin.cubicTo(12, 14, 11.5, 11, 11.5, 9.5);
    pin.arcTo(QRectF(11.5, 3, 13, 13), 180, -180);
    pin.cubicTo(24.5, 11, 24, 14, 18, 21);
    p.drawPath(pin);
    p.drawEllipse(QPointF(18, 9.5), 2.3, 2.3);
}

void DrawTrack(QPainter& p) {
    QPainterPath track;
    track.moveTo(8, 19);
    track.cubicTo(14, 19, 12, 6, 19, 8);
    track.cubicTo(25, 10, 22, 18, 28, 5);
    p.drawPath(track);
    p.drawEllipse(QPointF(8, 19), 1.8, 1.8);
    p.drawEllipse(QPointF(28, 5), 1.8, 1.8);
}

QPixmap Draw(ToolBarImage image, const QColor& colour) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (image) {
        case ToolBarImage::Capture:
            DrawCamera(p);
            break;
        case ToolBarImage::Cutting:
            DrawScissors(p);
            break;
        case ToolBarImage::Setting:
            DrawGear(p);
            break;
        case ToolBarImage::GpsForm:
            DrawPin(p);
            break;
        case ToolBarImage::Kml:
            DrawTrack(p);
            break;
    }
    return pixmap;
}

}  // namespace

QIcon ToolBarIcon(ToolBarImage image) {
    QIcon icon;
    icon.addPixmap(Draw(image, QColor(0xE6, 0xE6, 0xE6)), QIcon::Normal);
    icon.addPixmap(Draw(image, QColor(0x80, 0x80, 0x80)), QIcon::Disabled);
    icon.addPixmap(Draw(image, QColor(0xFF, 0xFF, 0xFF)), QIcon::Active);
    return icon;
}

}  // namespace app
