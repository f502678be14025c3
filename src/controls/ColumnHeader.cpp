#include "ColumnHeader.h"

#include "controls/ColumnEdges.h"
#include "controls/Drawing.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

TColumnHeader::TColumnHeader(QWidget* parent, int columnCount)
    : OwnerDrawnControl(parent),
      edges_(static_cast<std::size_t>(std::max(columnCount, 1)) + 1, 0),
      captions_(static_cast<std::size_t>(std::max(columnCount, 1))) {}

int TColumnHeader::Edge(int index) const {
    return index >= 0 && index < static_cast<int>(edges_.size()) ? edges_[index] : 0;
}

void TColumnHeader::SetEdge(int index, int x) {
    if (index >= 0 && index < static_cast<int>(edges_.size())) {
        edges_[index] = x;
        update();
    }
}

const QString& TColumnHeader::Caption(int column) const {
    static const QString none;
    return column >= 0 && column < ColumnCount() ? captions_[column] : none;
}

void TColumnHeader::SetCaption(int column, const QString& caption) {
    if (column >= 0 && column < ColumnCount()) {
        captions_[column] = caption;
        update();
    }
}

void TColumnHeader::SetScrollOffset(int offset) {
    scrollOffset_ = offset;
    update();
}

void TColumnHeader::MouseDown(Qt::MouseButton, int x, int) {
    if (CursorShape() == Qt::SplitHCursor) {
        draggedEdge_ = edgeUnderPointer_;
        lastX_ = x;
    }
}

void TColumnHeader::MouseMove(Qt::MouseButtons, int x, int) {
    if (x == lastX_) {
        return;
    }
    if (draggedEdge_ == 0) {
        edgeUnderPointer_ = controls::EdgeNear(edges_, scrollOffset_, x);
        SetCursorShape(edgeUnderPointer_ != 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    controls::DragEdge(edges_, draggedEdge_, x - lastX_);
    lastX_ = x;
    if (OnColumnResize) {
        OnColumnResize(this);
    }
    update();
}

void TColumnHeader::MouseUp(Qt::MouseButton, int, int) {
    draggedEdge_ = 0;
}

void TColumnHeader::Paint(QPainter& painter) {
    using namespace controls;
    const int w = width();
    const int h = height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Gradient(QPointF(0, 0), 0xFF5A5A96, QPointF(0, h), 0xFF323296));
    painter.drawRect(rect());

    const QPen separator = FlatPen(0xFFF0F0F0, 2);
    for (std::size_t i = 1; i < edges_.size(); ++i) {
        if (scrollOffset_ < edges_[i]) {
            const int x = edges_[i] - scrollOffset_;
            StrokeLine(painter, separator, QPointF(x, 3), QPointF(x, h - 3));
        }
    }
    const QPen rule = FlatPen(0xFF141414, 2);
    StrokeLine(painter, rule, QPointF(1, 1), QPointF(w, 1));
    StrokeLine(painter, rule, QPointF(0, h - 1), QPointF(w, h - 1));

    QFont font = this->font();
    font.setPointSizeF(8);
    font.setBold(true);
    const QFontMetricsF metrics(font, this);
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(0xFADCDCDC));
    for (int i = 0; i < ColumnCount(); ++i) {
        const QString& caption = captions_[i];
        if (caption.isEmpty()) {
            continue;
        }
        const double tw = metrics.horizontalAdvance(caption);
        const CaptionPlace place = PlaceCaption(edges_[i], edges_[i + 1], scrollOffset_, tw);
        if (!place.visible || place.width <= 0) {
            continue;
        }
        const double th = metrics.height();
        const QString text =
            place.width < tw ? metrics.elidedText(caption, Qt::ElideRight, place.width) : caption;
        painter.drawText(QRectF(place.x, (h - th) / 2, place.width, th),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    }
}
