#pragma once

#include "controls/OwnerDrawnControl.h"

#include <QString>

#include <vector>

// The header bar over the file list's rows: column captions, edges the user drags
// to resize the columns, and a horizontal scroll offset. Placed by its owner.
class TColumnHeader : public controls::OwnerDrawnControl {
  public:
    TColumnHeader(QWidget* parent, int columnCount);

    int ColumnCount() const { return static_cast<int>(captions_.size()); }
    // Edges 0..ColumnCount() in pixels from the left side before scrolling;
    // column i spans edge i to edge i + 1. All start at 0.
    int Edge(int index) const;
    const std::vector<int>& Edges() const { return edges_; }
    void SetEdge(int index, int x);
    const QString& Caption(int column) const;
    void SetCaption(int column, const QString& caption);
    int ScrollOffset() const { return scrollOffset_; }
    void SetScrollOffset(int offset);
    // The edge being dragged, 0 when none.
    int DraggedEdge() const { return draggedEdge_; }

    // Fired on every step of an edge drag; the owner relayouts its rows.
    controls::NotifyEvent OnColumnResize;

  protected:
    void MouseDown(Qt::MouseButton button, int x, int y) override;
    void MouseMove(Qt::MouseButtons buttons, int x, int y) override;
    void MouseUp(Qt::MouseButton button, int x, int y) override;
    void Paint(QPainter& painter) override;

  private:
    std::vector<int> edges_;
    std::vector<QString> captions_;
    int scrollOffset_ = 0;
    int draggedEdge_ = 0;
    int edgeUnderPointer_ = 0;
    int lastX_ = 0;
};
