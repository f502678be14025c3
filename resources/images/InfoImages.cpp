// The information window's vehicle picture: the car seen from above with its
// three G axes, and a row per value (X, Y, Z and the total G) on the left, over
// which the window lays its value labels.
#include "ImageMaker.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>

namespace images {

namespace {

constexpr QRgb kAxisX = 0xFFFF6B5B;
constexpr QRgb kAxisY = 0xFF6BD86B;
constexpr QRgb kAxisZ = 0xFF5BA8FF;
constexpr QRgb kTotal = 0xFFFFD24A;
constexpr QRgb kBackdrop = 0xFF1E2126;

QColor Argb(QRgb argb) {
    return QColor::fromRgba(argb);
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to, QRgb colour) {
    const QPointF d = to - from;
    const QPointF along = d / std::hypot(d.x(), d.y());
    const QPointF across(-along.y(), along.x());
    painter.setPen(QPen(Argb(colour), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to - along * 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(colour));
    painter.drawPolygon(QPolygonF({to, to - along * 8 + across * 4, to - along * 8 - across * 4}));
}

void DrawCar(QPainter& painter, QPointF centre) {
    const QRectF body(centre.x() - 21, centre.y() - 46, 42, 92);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x10, 0x10, 0x10));
    for (double y : {centre.y() - 28, centre.y() + 22}) {
        painter.drawRoundedRect(QRectF(body.left() - 4, y, 6, 16), 2, 2);
        painter.drawRoundedRect(QRectF(body.right() - 2, y, 6, 16), 2, 2);
    }
    QLinearGradient paint(body.left(), 0, body.right(), 0);
    paint.setColorAt(0, QColor(0x8E, 0x96, 0xA3));
    paint.setColorAt(0.5, QColor(0xE4, 0xE8, 0xEE));
    paint.setColorAt(1, QColor(0x8E, 0x96, 0xA3));
    painter.setPen(QPen(QColor(0x40, 0x44, 0x4A), 1));
    painter.setBrush(paint);
    painter.drawRoundedRect(body, 13, 16);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x22, 0x2A, 0x36));  // windows, the front one at the top
    const double l = body.left();
    const double r = body.right();
    const double y = centre.y();
    painter.drawPolygon(QPolygonF({QPointF(l + 6, y - 18), QPointF(r - 6, y - 18),
                                   QPointF(r - 9, y - 30), QPointF(l + 9, y - 30)}));
    painter.drawPolygon(QPolygonF({QPointF(l + 7, y + 24), QPointF(r - 7, y + 24),
                                   QPointF(r - 9, y + 32), QPointF(l + 9, y + 32)}));
    painter.setBrush(QColor(0xC9, 0xCE, 0xD6));
    painter.drawRoundedRect(QRectF(l + 7, y - 16, body.width() - 14, 38), 4, 4);
    painter.setBrush(QColor(0xFF, 0xF3, 0xB0));
    painter.drawEllipse(QPointF(l + 8, body.top() + 4), 3.5, 2.2);
    painter.drawEllipse(QPointF(r - 8, body.top() + 4), 3.5, 2.2);
    painter.setBrush(QColor(0xE0, 0x30, 0x30));
    painter.drawEllipse(QPointF(l + 8, body.bottom() - 3), 3.5, 2);
    painter.drawEllipse(QPointF(r - 8, body.bottom() - 3), 3.5, 2);
}

void DrawValueRow(QPainter& painter, const QRectF& row, const char* letter, QRgb colour,
                  const QFont& font) {
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawRoundedRect(row, 4, 4);
    const QRectF tab(row.left(), row.top(), 18, row.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(colour));
    painter.drawRoundedRect(tab, 4, 4);
    painter.drawRect(QRectF(tab.right() - 6, tab.top(), 6, tab.height()));
    painter.setFont(font);
    painter.setPen(Argb(kBackdrop));
    painter.drawText(tab, Qt::AlignCenter, QString::fromLatin1(letter));
    QFont unit = font;
    unit.setBold(false);
    unit.setPointSizeF(6);
    painter.setFont(unit);
    painter.setPen(QColor(255, 255, 255, 150));
    painter.drawText(QRectF(row.right() - 14, row.top(), 12, row.height()), Qt::AlignCenter,
                     QStringLiteral("g"));
}

void DrawVehicle(QPainter& painter, const QSizeF& size) {
    QLinearGradient backdrop(0, 0, 0, size.height());
    backdrop.setColorAt(0, QColor(0x3C, 0x42, 0x4B));
    backdrop.setColorAt(1, Argb(kBackdrop));
    painter.setPen(QPen(QColor(0x55, 0x5B, 0x66), 1));
    painter.setBrush(backdrop);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 6, 6);

    const QPointF centre(size.width() - 68, size.height() / 2 + 3.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (double radius : {30.0, 50.0, 68.0}) {
        painter.drawEllipse(centre, radius, radius);
    }
    DrawCar(painter, centre);

    QFont font(QStringLiteral("DejaVu Sans"), 8);
    font.setBold(true);
    painter.setFont(font);
    DrawArrow(painter, centre, QPointF(centre.x(), 8), kAxisX);
    DrawArrow(painter, centre, QPointF(size.width() - 6, centre.y()), kAxisY);
    painter.setPen(QPen(Argb(kAxisZ), 2.2));
    painter.setBrush(Argb(kBackdrop));
    painter.drawEllipse(centre, 6.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(kAxisZ));
    painter.drawEllipse(centre, 2.5, 2.5);
    painter.setPen(Argb(kAxisX));
    painter.drawText(QRectF(centre.x() + 6, 4, 14, 14), Qt::AlignCenter, QStringLiteral("X"));
    painter.setPen(Argb(kAxisY));
    painter.drawText(QRectF(size.width() - 20, centre.y() + 5, 14, 14), Qt::AlignCenter,
                     QStringLiteral("Y"));
    painter.setPen(Argb(kAxisZ));
    painter.drawText(QRectF(centre.x() + 7, centre.y() + 5, 14, 14), Qt::AlignCenter,
                     QStringLiteral("Z"));

    // Rows at y 14, 46, 78 and 110, 22 high: the window's value labels sit in them.
    const char* letters[] = {"X", "Y", "Z", "G"};
    const QRgb colours[] = {kAxisX, kAxisY, kAxisZ, kTotal};
    for (int i = 0; i < 4; ++i) {
        DrawValueRow(painter, QRectF(8, 14 + i * 32, 86, 22), letters[i], colours[i], font);
    }
}

}  // namespace

std::vector<ImageRecipe> ImageRecipes() {
    return {{"InfoVehicle", QSize(220, 149), DrawVehicle}};
}

}  // namespace images
