#include "ColorPickButton.h"

#include <QColorDialog>
#include <QPainter>

namespace views {

namespace {

constexpr int kSwatchInset = 4;

}  // namespace

ColorPickButton::ColorPickButton(QWidget* parent, const QRect& bounds) : QPushButton(parent) {
    setGeometry(bounds);
    connect(this, &QPushButton::clicked, this, [this] { Pick(); });
}

void ColorPickButton::SetColor(QRgb color) {
    color_ = color | 0xFF000000;
    update();
}

void ColorPickButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(kSwatchInset, kSwatchInset, -kSwatchInset, -kSwatchInset);
    painter.fillRect(swatch, QColor::fromRgb(color_));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

void ColorPickButton::Pick() {
    const QColor picked = QColorDialog::getColor(QColor::fromRgb(color_), window());
    if (!picked.isValid() || picked.rgb() == color_) {
        return;
    }
    SetColor(picked.rgb());
    if (OnChange) {
        OnChange(this, color_);
    }
}

}  // namespace views
