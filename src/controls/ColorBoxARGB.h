#pragma once

#include "controls/OwnerDrawnControl.h"

#include <QRgb>

// A box filled with one ARGB colour (alpha in the top byte), with an optional frame
// of the same colour made opaque: the chart's cursor line and zoom rectangle.
class TColorBoxARGB : public controls::OwnerDrawnControl {
  public:
    TColorBoxARGB(QWidget* parent, bool border, QRgb argb);

    QRgb Color() const { return color_; }
    bool HasBorder() const { return border_; }

  protected:
    void Paint(QPainter& painter) override;

  private:
    QRgb color_;
    bool border_;
};
