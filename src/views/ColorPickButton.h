#pragma once

#include <QPushButton>
#include <QRgb>

#include <functional>

namespace views {

// A button showing a colour; a click lets the user pick another in the colour
// dialog. The chart settings' colour boxes.
class ColorPickButton : public QPushButton {
  public:
    ColorPickButton(QWidget* parent, const QRect& bounds);

    QRgb Color() const { return color_; }
    // Shows `color` (made opaque); fires no event.
    void SetColor(QRgb color);

    // A colour picked by the user; sender first.
    std::function<void(QObject* sender, QRgb color)> OnChange;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Pick();

    QRgb color_ = 0xFF000000;
};

}  // namespace views
