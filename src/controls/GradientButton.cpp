#include "GradientButton.h"

#include "controls/Drawing.h"
#include "foundation/Commonfun.h"

#include <QFontMetricsF>
#include <QPainter>

TGradientButton::TGradientButton(QWidget* parent, float splitRatio, QRgb bottomColour,
                                 QRgb middleColour, QRgb topColour, const QString& iconName)
    : OwnerDrawnControl(parent),
      splitRatio_(splitRatio),
      bottomColour_(bottomColour),
      middleColour_(middleColour),
      topColour_(topColour) {
    if (!iconName.isEmpty()) {
        icon_ = LoadResourceImage(iconName);
    }
}

void TGradientButton::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TGradientButton::SetState(ButtonState state) {
    state_ = state;
    update();
}

void TGradientButton::MouseEnter() {
    SetState(ButtonState::Hover);
}

void TGradientButton::MouseLeave() {
    SetState(ButtonState::Normal);
}

void TGradientButton::MouseDown(Qt::MouseButton, int, int) {
    SetState(ButtonState::Pressed);
}

void TGradientButton::MouseUp(Qt::MouseButton, int x, int y) {
    const bool inside = 1 <= x && x < width() && 1 <= y && y < height();
    SetState(inside ? ButtonState::Hover : ButtonState::Normal);
}

void TGradientButton::Click() {
    if (OnClick) {
        OnClick(this);
    }
}

void TGradientButton::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    const int h = height();
    const bool pressed = state_ == ButtonState::Pressed;
    const bool raised = pressed || state_ == ButtonState::Hover;

    const qreal penWidth = pressed ? 2 : 1;
    const QPen outer = FlatPen(0xFF707070, penWidth);
    const QPen inner = FlatPen(raised ? 0xFFF0F0F0 : 0xFFDCDCDC, penWidth);
    const qreal captionPoints = raised ? 12 : 11;
    const double iconScale = raised ? 0.8 : 0.7;

    StrokeRect(painter, outer, QRectF(1, 0, w - 3, h - 1));
    StrokeRect(painter, outer, QRectF(0, 1, w - 1, h - 3));
    const int shift = pressed ? 1 : 0;
    StrokeRect(painter, inner, QRectF(2 + shift, 1 + shift, w - 5, h - 3));
    StrokeRect(painter, inner, QRectF(1 + shift, 2 + shift, w - 3, h - 5));

    const int split = static_cast<int>(h * splitRatio_);
    const int d = pressed ? 3 : 2;
    const int e = pressed ? 2 : 0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gradient(QPointF(0, 0), topColour_, QPointF(0, split), middleColour_));
    painter.drawRect(QRectF(d, d, w - 5 + e, split));
    painter.setBrush(Gradient(QPointF(0, split - 1), middleColour_, QPointF(0, h), bottomColour_));
    painter.drawRect(QRectF(d, split - 1, w - 5 + e, h - split + e - 2));

    QFont font = this->font();
    font.setPointSizeF(captionPoints);
    font.setBold(true);
    font.setItalic(true);
    const QFontMetricsF metrics(font, this);
    const double tw = caption_.isEmpty() ? 0.0 : metrics.horizontalAdvance(caption_);
    const double th = metrics.height();
    const int p = pressed ? 2 : 0;
    const int q = pressed ? 1 : 0;
    double textX = (w - tw) / 2 + p;
    if (!icon_.isNull()) {
        const int side = static_cast<int>(h * iconScale);
        const double iconX = (w - tw - side) / 2 + p;
        const int iconY = (h - side) / 2 + q;
        DrawPicture(painter, icon_, QRectF(iconX, iconY, side, side));
        textX = (w - tw + side) / 2 + p;
    }
    if (!caption_.isEmpty()) {
        painter.setFont(font);
        painter.setPen(QColor::fromRgba(0xFADCDCDC));
        painter.drawText(QRectF(textX, (h - th) / 2 + q, tw + 1, th),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
    }
}
