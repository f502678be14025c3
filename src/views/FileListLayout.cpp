#include "FileListLayout.h"

#include <algorithm>
#include <cmath>

namespace views {

namespace {

// Visible when some of it lies in the row area; cut at the area's right edge.
ColumnRect Column(double x, double width, int right) {
    ColumnRect column;
    column.x = x;
    column.width = width;
    column.visible = x < right && x + width > 0;
    if (column.visible && x + width > right) {
        column.width = right - x;
    }
    return column;
}

}  // namespace

int FileListLayout::VisibleRows() const {
    return std::max(0, (rowAreaBottom - kRowsTop) / kRowHeight);
}

FileListLayout ComputeFileListLayout(const FileListLayoutInput& input) {
    FileListLayout layout;
    layout.rowAreaRight = input.width;
    layout.rowAreaBottom = input.height;
    const bool hasRows = input.rowCount > 0;
    const int lastEdge = input.edges[kFileColumns];

    layout.horizontalBarShown = hasRows && lastEdge > input.width;
    if (layout.horizontalBarShown) {
        layout.rowAreaBottom = input.height - kScrollBarSize;
    }
    const int visibleRows = layout.VisibleRows();
    layout.verticalBarShown = hasRows && visibleRows < input.rowCount;
    if (layout.verticalBarShown) {
        layout.rowAreaRight = input.width - kScrollBarSize;
        layout.verticalMaximum = input.rowCount - visibleRows;
        layout.verticalPosition = std::clamp(input.verticalPosition, 0, layout.verticalMaximum);
    }
    if (layout.horizontalBarShown) {
        layout.horizontalMaximum = lastEdge - layout.rowAreaRight;
        layout.horizontalPosition =
            std::clamp(std::trunc(input.horizontalPosition), 0.0, layout.horizontalMaximum);
    }

    const double h = layout.horizontalPosition;
    const HeaderEdges& e = input.edges;
    const int right = layout.rowAreaRight;
    layout.columns[0] = Column(e[1] - kIconSize - h, kIconSize, right);
    for (int i = 1; i < kFileColumns; ++i) {
        layout.columns[i] = Column(e[i] - h, e[i + 1] - e[i], right);
    }
    return layout;
}

int RowAtY(int y, int verticalPosition) {
    return (y - kRowsTop) / kRowHeight + verticalPosition;
}

}  // namespace views
