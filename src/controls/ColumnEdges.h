#pragma once

#include <vector>

namespace controls {

// The column header's arithmetic. Edges are pixels from the header's left side
// before scrolling; edge 0 never moves.

inline constexpr int kMinColumnWidth = 5;
inline constexpr int kEdgeGrabDistance = 5;

// The first edge from 1 whose scrolled position lies closer than the grab
// distance to `x`; 0 when none does.
int EdgeNear(const std::vector<int>& edges, int scrollOffset, int x);

// Moves edge `dragged` (1..last) by `dx`. The last edge moves alone; an inner edge
// carries the edges right of it along, so the columns right of it keep their
// widths, except the last one, which absorbs the change. Every column keeps at
// least kMinColumnWidth pixels. A move gives the same edges in one step as in
// several smaller steps the same way.
void DragEdge(std::vector<int>& edges, int dragged, int dx);

// Where a caption of `textWidth` pixels is drawn in the column between `left` and
// `right` (unscrolled edges): centred when it fits the column less 4 pixels, else
// from 2 pixels in and cut to that width.
struct CaptionPlace {
    bool visible = false;  // some of the text lies right of the scroll offset
    double x = 0.0;
    double width = 0.0;
};
CaptionPlace PlaceCaption(int left, int right, int scrollOffset, double textWidth);

}  // namespace controls
