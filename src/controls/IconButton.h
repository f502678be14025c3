#pragma once

#include "controls/OwnerDrawnControl.h"

#include <QImage>
#include <QString>

// An image button: one of three shared backgrounds (normal, hover, pushed)
// stretched over the control, the icon over it. A latched state (SetState 4)
// keeps it shown pushed, as the chart's pan and zoom pair does.
class TIconButton : public controls::OwnerDrawnControl {
  public:
    enum : int { kHoverBit = 2, kPressedBit = 4 };

    TIconButton(QWidget* parent, const QString& iconName, controls::Anchors anchors,
                const QRect& bounds);

    // Stores the latched state word (4 shows the button pushed) and repaints.
    void SetState(int state);
    int State() const { return state_; }
    int MouseBits() const { return mouseBits_; }
    bool ShowsPushed() const;

    controls::NotifyEvent OnClick;

  protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Click() override;
    void Paint(QPainter& painter) override;

  private:
    void SetMouseBit(int bit, bool on);

    QImage icon_;
    int state_ = 0;
    int mouseBits_ = 0;
};
