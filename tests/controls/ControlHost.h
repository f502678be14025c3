#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

// A shown top-level window for controls under test, and a user's pointer. A move
// without a button goes through the platform's pointer, so Qt itself delivers
// enter and leave; a move with a button held goes straight to the control, as Qt
// does while it keeps the mouse grab (no leave).
class ControlHost : public QWidget {
  public:
    explicit ControlHost(QSize size = QSize(400, 120));

    static void Move(QWidget* control, QPoint at);
    static void Press(QWidget* control, QPoint at);
    static void Release(QWidget* control, QPoint at);
    static void Click(QWidget* control, QPoint at);
    // The colour of one pixel of the control's picture.
    static QColor PixelAt(QWidget* control, QPoint at);
};

// True when each channel lies within `tolerance` of the expected ARGB colour.
bool NearColour(const QColor& actual, unsigned expectedArgb, int tolerance = 24);
