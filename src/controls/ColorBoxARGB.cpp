#include "ColorBoxARGB.h"

#include "controls/Drawing.h"

#include <QPainter>

namespace {

constexpr double kBorderWidth = 2;

}  // namespace

TColorBoxARGB::TColorBoxARGB(QWidget* parent, bool border, QRgb argb)
    : OwnerDrawnControl(parent), color_(argb), border_(border) {}

void TColorBoxARGB::Paint(QPainter& painter) {
    painter.fillRect(rect(), QColor::fromRgba(color_));
    if (!border_) {
        return;
    }
    // Inside the box, so that the whole frame shows on every side, corners included.
    const double half = kBorderWidth / 2;
    painter.setPen(controls::FlatPen(color_ | 0xFF000000, kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
}
