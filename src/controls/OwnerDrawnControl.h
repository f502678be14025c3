#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>

class QPainter;

namespace controls {

// Events of the controls: the sender (the control that raised it) first. Each is
// called only when assigned.
using NotifyEvent = std::function<void(QObject* sender)>;
using ValueEvent = std::function<void(QObject* sender, double value)>;

// The owner's edges a control keeps its distance to when the owner is resized.
enum Anchor : unsigned {
    AnchorLeft = 0x1,
    AnchorTop = 0x2,
    AnchorRight = 0x4,
    AnchorBottom = 0x8,
};
using Anchors = unsigned;
inline constexpr Anchors kAnchorsLeftTop = AnchorLeft | AnchorTop;

// Bounds given as left, top, right and bottom edges (right and bottom exclusive).
inline QRect BoundsRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

// Moves the system pointer to a point in global (screen) coordinates.
using PointerWarp = std::function<void(const QPoint& global)>;

// What every owner-drawn control shares: a paint with antialiasing on, hover
// through enter and leave, a press-and-release-inside click, the cursor it shows
// (the hand cursor doubles as a drag flag), anchoring to its owner, the pointer
// warp behind a replaceable hook, and a drawing-use reference while it lives.
//
// Qt keeps the mouse grab and sends no leave while a button is held; a move
// outside the control with a button held is reported as the leave here, and a
// move back inside as an enter, so a drag ends when the pointer leaves. Moves
// and the release still reach the control afterwards, as under a mouse capture.
// Hiding or disabling a hovered control also counts as a leave.
class OwnerDrawnControl : public QWidget {
  public:
    // Placed at `bounds` in `parent`; `anchors` keep it there as `parent` resizes.
    OwnerDrawnControl(QWidget* parent, Anchors anchors, const QRect& bounds);
    // Placed by its owner's layout code.
    explicit OwnerDrawnControl(QWidget* parent);
    ~OwnerDrawnControl() override;
    OwnerDrawnControl(const OwnerDrawnControl&) = delete;
    OwnerDrawnControl& operator=(const OwnerDrawnControl&) = delete;

    bool IsHovered() const { return hovered_; }
    Anchors ControlAnchors() const { return anchors_; }
    void SetAnchors(Anchors anchors);

    Qt::CursorShape CursorShape() const { return cursorShape_; }
    bool IsHandCursor() const { return cursorShape_ == Qt::PointingHandCursor; }

    // The default moves the system pointer (QCursor::setPos); an empty hook makes
    // the warp do nothing. Tests and the gallery install their own.
    void SetPointerWarp(PointerWarp warp);

  protected:
    // Input in the control's pixel coordinates (whole pixels).
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseDown(Qt::MouseButton button, int x, int y) {}
    virtual void MouseMove(Qt::MouseButtons buttons, int x, int y) {}
    virtual void MouseUp(Qt::MouseButton button, int x, int y) {}
    // A left press and release both inside the control, after MouseUp.
    virtual void Click() {}
    // Called after the control's size changed.
    virtual void Resize() {}
    // The painter has antialiasing and smooth image scaling on.
    virtual void Paint(QPainter& painter) = 0;

    // Sets the cursor only when it changes; the default arrow unsets it.
    void SetCursorShape(Qt::CursorShape shape);
    void SetHandCursor(bool hand) {
        SetCursorShape(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    // Moves the pointer to a point of the control through the warp hook.
    void WarpPointer(const QPoint& local);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Enter();
    void Leave();
    void FollowOwner();

    bool hovered_ = false;
    bool clickPending_ = false;
    Qt::CursorShape cursorShape_ = Qt::ArrowCursor;
    Anchors anchors_ = kAnchorsLeftTop;
    QSize ownerSize_;  // the owner's size the anchors were last applied for
    PointerWarp warp_;
};

}  // namespace controls
