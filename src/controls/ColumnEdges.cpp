#include "ColumnEdges.h"

#include <cstdlib>

namespace controls {

int EdgeNear(const std::vector<int>& edges, int scrollOffset, int x) {
    for (std::size_t i = 1; i < edges.size(); ++i) {
        if (std::abs(edges[i] - scrollOffset - x) < kEdgeGrabDistance) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

namespace {

void MoveInnerEdge(std::vector<int>& edges, int j, int dx) {
    edges[j] += dx;
    if (edges[j] < edges[j - 1] + kMinColumnWidth) {
        edges[j] = edges[j - 1] + kMinColumnWidth;
    }
    if (edges[j + 1] - edges[j] < kMinColumnWidth) {
        edges[j] = edges[j + 1] - kMinColumnWidth;
    }
}

}  // namespace

// Each edge is limited by its neighbour on the side it moves to, so that
// neighbour must already stand where it ends: moving right, the edges go from the
// right; moving left, from the left.
void DragEdge(std::vector<int>& edges, int dragged, int dx) {
    const int last = static_cast<int>(edges.size()) - 1;
    if (dragged < 1 || dragged > last) {
        return;
    }
    if (dragged == last) {
        edges[last] += dx;
        if (edges[last] < edges[last - 1] + kMinColumnWidth) {
            edges[last] = edges[last - 1] + kMinColumnWidth;
        }
        return;
    }
    if (dx >= 0) {
        for (int j = last - 1; j >= dragged; --j) {
            MoveInnerEdge(edges, j, dx);
        }
    } else {
        for (int j = dragged; j <= last - 1; ++j) {
            MoveInnerEdge(edges, j, dx);
        }
    }
}

CaptionPlace PlaceCaption(int left, int right, int scrollOffset, double textWidth) {
    CaptionPlace place;
    place.visible = scrollOffset < left + textWidth;
    place.x = left - scrollOffset;
    const int room = right - left - 4;
    if (room < textWidth) {
        place.x += 2;
        place.width = room;
    } else {
        place.x += (right - left - textWidth) / 2;
        place.width = textWidth;
    }
    return place;
}

}  // namespace controls
