#pragma once

#include <array>

namespace views {

// The file list's fixed geometry, in pixels.
inline constexpr int kOpenButtonHeight = 45;
inline constexpr int kHeaderHeight = 30;
inline constexpr int kRowsTop = kOpenButtonHeight + kHeaderHeight;
inline constexpr int kRowHeight = 20;
inline constexpr int kScrollBarSize = 18;
inline constexpr int kIconSize = 20;
inline constexpr int kFileColumns = 4;  // icon, date and time, duration, file name

// Column edges of the header before scrolling: column i spans edge i to edge i + 1.
using HeaderEdges = std::array<int, kFileColumns + 1>;
inline constexpr HeaderEdges kDefaultHeaderEdges{0, 30, 150, 220, 300};

struct ColumnRect {
    double x = 0;
    double y = kRowsTop;  // of the first row
    double width = 0;
    double height = kRowHeight;
    bool visible = false;
};

struct FileListLayoutInput {
    int width = 0;  // of the frame
    int height = 0;
    HeaderEdges edges = kDefaultHeaderEdges;
    int rowCount = 0;
    int verticalPosition = 0;  // the scroll bars' positions before
    double horizontalPosition = 0;
};

// Where the scroll bars, the rows and the columns go for a frame size, header and
// row count.
struct FileListLayout {
    bool horizontalBarShown = false;
    double horizontalMaximum = 0;  // the range starts at 0
    double horizontalPosition = 0;
    bool verticalBarShown = false;
    int verticalMaximum = 0;
    int verticalPosition = 0;  // the first row shown
    int rowAreaRight = 0;
    int rowAreaBottom = 0;
    std::array<ColumnRect, kFileColumns> columns{};

    // Rows that fit wholly in the row area.
    int VisibleRows() const;
};

FileListLayout ComputeFileListLayout(const FileListLayoutInput& input);

// The row index under client y with `verticalPosition` rows scrolled out; a y above
// the rows counts up from the first shown row (no scrolled-out row is hit by y >= 56).
int RowAtY(int y, int verticalPosition);

}  // namespace views
