#include "IconButton.h"

#include "controls/Drawing.h"
#include "foundation/Commonfun.h"

#include <QPainter>

#include <array>

namespace {

enum Background { kNormal, kHover, kPushed };

// Loaded once, on the first button, and shared by all.
const std::array<QImage, 3>& Backgrounds() {
    static const std::array<QImage, 3> backgrounds{
        LoadResourceImage(QStringLiteral("RID_NormalBtn")),
        LoadResourceImage(QStringLiteral("RID_HoverBtn")),
        LoadResourceImage(QStringLiteral("RID_PushedBtn")),
    };
    return backgrounds;
}

}  // namespace

TIconButton::TIconButton(QWidget* parent, const QString& iconName, controls::Anchors anchors,
                         const QRect& bounds)
    : OwnerDrawnControl(parent, anchors, bounds), icon_(LoadResourceImage(iconName)) {
    Backgrounds();
}

void TIconButton::SetState(int state) {
    state_ = state;
    update();
}

bool TIconButton::ShowsPushed() const {
    return (state_ & kPressedBit) != 0 || (mouseBits_ & kPressedBit) != 0;
}

void TIconButton::SetMouseBit(int bit, bool on) {
    mouseBits_ = on ? (mouseBits_ | bit) : (mouseBits_ & ~bit);
    update();
}

void TIconButton::MouseEnter() {
    SetMouseBit(kHoverBit, true);
}

void TIconButton::MouseLeave() {
    SetMouseBit(kHoverBit, false);
}

void TIconButton::MouseDown(Qt::MouseButton, int, int) {
    SetMouseBit(kPressedBit, true);
}

void TIconButton::MouseUp(Qt::MouseButton, int, int) {
    SetMouseBit(kPressedBit, false);
}

void TIconButton::Click() {
    if (OnClick) {
        OnClick(this);
    }
}

void TIconButton::Paint(QPainter& painter) {
    const Background background = ShowsPushed()                   ? kPushed
                                  : (mouseBits_ & kHoverBit) != 0 ? kHover
                                                                  : kNormal;
    controls::DrawPicture(painter, Backgrounds()[background], QRectF(rect()));
    controls::DrawPicture(painter, icon_, QRectF(2, 2, width() - 4, height() - 4));
}
