#include "VideoWindow.h"

#include <QPainter>

namespace app {

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent) {
    // The procedure paints all of it (black, then the player's picture).
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

bool VideoWindow::event(QEvent* event) {
    if (procedure && procedure(this, event)) {
        return true;
    }
    return QWidget::event(event);
}

void VideoWindow::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::black);
}

}  // namespace app
