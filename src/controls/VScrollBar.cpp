#include "VScrollBar.h"

TVScrollBar::TVScrollBar(QWidget* parent, const QRect& bounds, controls::Anchors anchors,
                         bool inverted)
    : ThumbScrollBar(parent, bounds, anchors, inverted, Qt::Vertical) {}
