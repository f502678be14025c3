#include "HScrollBar.h"

THScrollBar::THScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors,
                         bool inverted)
    : ThumbScrollBar(parent, bounds, anchors, inverted, Qt::Horizontal) {}
