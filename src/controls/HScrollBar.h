#pragma once

#include "controls/ThumbScrollBar.h"

// The horizontal bar with a square thumb picture: the chart's time zoom
// (inverted) and the file list's horizontal scrolling.
class THScrollBar : public controls::ThumbScrollBar {
  public:
    THScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors, bool inverted);
};
