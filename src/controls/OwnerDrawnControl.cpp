#include "OwnerDrawnControl.h"

#include "foundation/Commonfun.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace controls {

namespace {

QPoint PixelOf(const QPointF& position) {
    return QPoint(static_cast<int>(std::floor(position.x())),
                  static_cast<int>(std::floor(position.y())));
}

}  // namespace

OwnerDrawnControl::OwnerDrawnControl(QWidget* parent) : QWidget(parent) {
    GdiplusAddRef();
    setMouseTracking(true);
    warp_ = [](const QPoint& global) { QCursor::setPos(global); };
}

OwnerDrawnControl::OwnerDrawnControl(QWidget* parent, Anchors anchors, const QRect& bounds)
    : OwnerDrawnControl(parent) {
    setGeometry(bounds);
    SetAnchors(anchors);
}

OwnerDrawnControl::~OwnerDrawnControl() {
    GdiplusRelease();
}

void OwnerDrawnControl::SetAnchors(Anchors anchors) {
    anchors_ = anchors;
    QWidget* owner = parentWidget();
    if (owner == nullptr) {
        return;
    }
    ownerSize_ = owner->size();
    owner->removeEventFilter(this);
    if (anchors_ != kAnchorsLeftTop) {
        owner->installEventFilter(this);
    }
}

void OwnerDrawnControl::SetPointerWarp(PointerWarp warp) {
    warp_ = std::move(warp);
}

void OwnerDrawnControl::SetCursorShape(Qt::CursorShape shape) {
    if (shape == cursorShape_) {
        return;
    }
    cursorShape_ = shape;
    if (shape == Qt::ArrowCursor) {
        unsetCursor();
    } else {
        setCursor(shape);
    }
}

void OwnerDrawnControl::WarpPointer(const QPoint& local) {
    if (warp_) {
        warp_(mapToGlobal(local));
    }
}

void OwnerDrawnControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    Paint(painter);
}

void OwnerDrawnControl::resizeEvent(QResizeEvent*) {
    Resize();
}

void OwnerDrawnControl::enterEvent(QEnterEvent*) {
    Enter();
}

void OwnerDrawnControl::leaveEvent(QEvent*) {
    Leave();
}

void OwnerDrawnControl::mousePressEvent(QMouseEvent* event) {
    const QPoint at = PixelOf(event->position());
    // A press inside means the pointer is over the control, enter seen or not.
    if (rect().contains(at)) {
        Enter();
    }
    if (event->button() == Qt::LeftButton) {
        clickPending_ = rect().contains(at);
    }
    MouseDown(event->button(), at.x(), at.y());
}

void OwnerDrawnControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = PixelOf(event->position());
    const bool inside = rect().contains(at);
    if (inside) {
        Enter();
    } else if (event->buttons() != Qt::NoButton) {
        Leave();
    }
    MouseMove(event->buttons(), at.x(), at.y());
}

void OwnerDrawnControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = PixelOf(event->position());
    const bool click = event->button() == Qt::LeftButton && clickPending_ && rect().contains(at);
    if (event->button() == Qt::LeftButton) {
        clickPending_ = false;
    }
    MouseUp(event->button(), at.x(), at.y());
    if (click) {
        Click();
    }
}

void OwnerDrawnControl::hideEvent(QHideEvent*) {
    clickPending_ = false;
    Leave();
}

void OwnerDrawnControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        clickPending_ = false;
        Leave();
    }
    QWidget::changeEvent(event);
}

bool OwnerDrawnControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        FollowOwner();
    }
    return QWidget::eventFilter(watched, event);
}

// Qt delivers enter and leave to disabled widgets too; a disabled control stays
// as it is.
void OwnerDrawnControl::Enter() {
    if (!hovered_ && isEnabled()) {
        hovered_ = true;
        MouseEnter();
    }
}

void OwnerDrawnControl::Leave() {
    if (hovered_) {
        hovered_ = false;
        MouseLeave();
    }
}

// Keeps the distances to the anchored edges the owner had before its resize; an
// edge anchored on neither side keeps its position.
void OwnerDrawnControl::FollowOwner() {
    const QSize now = parentWidget()->size();
    const QSize before = ownerSize_;
    ownerSize_ = now;
    if (!before.isValid() || before == now) {
        return;
    }
    QRect bounds = geometry();
    const int rightGap = before.width() - (bounds.x() + bounds.width());
    const int bottomGap = before.height() - (bounds.y() + bounds.height());
    if (anchors_ & AnchorRight) {
        if (anchors_ & AnchorLeft) {
            bounds.setWidth(std::max(0, now.width() - rightGap - bounds.x()));
        } else {
            bounds.moveLeft(now.width() - rightGap - bounds.width());
        }
    }
    if (anchors_ & AnchorBottom) {
        if (anchors_ & AnchorTop) {
            bounds.setHeight(std::max(0, now.height() - bottomGap - bounds.y()));
        } else {
            bounds.moveTop(now.height() - bottomGap - bounds.height());
        }
    }
    setGeometry(bounds);
}

}  // namespace controls
