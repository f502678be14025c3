#pragma once

#include "controls/ThumbScrollBar.h"

// The vertical twin of THScrollBar: the chart's value zoom (inverted).
class TVScrollBar : public controls::ThumbScrollBar {
  public:
    TVScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors, bool inverted);
};
