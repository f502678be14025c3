#pragma once

#include "controls/ButtonState.h"
#include "controls/OwnerDrawnControl.h"

#include <QImage>
#include <QRgb>
#include <QString>

// A push button with a two-part gradient body (top colour to middle colour above
// the split, middle colour to bottom colour below it), an optional icon and a bold
// italic caption centred together. Placed by its owner's layout.
class TGradientButton : public controls::OwnerDrawnControl {
  public:
    // `splitRatio` is the fraction of the height where the two gradients meet;
    // colours are ARGB. `iconName` names a resource picture (RID_...) or is empty.
    TGradientButton(QWidget* parent, float splitRatio, QRgb bottomColour, QRgb middleColour,
                    QRgb topColour, const QString& iconName);

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    ButtonState State() const { return state_; }
    bool HasIcon() const { return !icon_.isNull(); }

    controls::NotifyEvent OnClick;

  protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Click() override;
    void Paint(QPainter& painter) override;

  private:
    void SetState(ButtonState state);

    float splitRatio_;
    QRgb bottomColour_;
    QRgb middleColour_;
    QRgb topColour_;
    QImage icon_;
    QString caption_;
    ButtonState state_ = ButtonState::Normal;
};
