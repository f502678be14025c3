#include "views/FileListLayout.h"

#include <gtest/gtest.h>

using views::ComputeFileListLayout;
using views::FileListLayoutInput;

TEST(FileListLayout, VerticalBarAppearsWhenRowsOverflow) {
    // A row area exactly five rows high.
    FileListLayoutInput input{.width = 365, .height = views::kRowsTop + 5 * 20, .rowCount = 5};
    auto layout = ComputeFileListLayout(input);
    EXPECT_EQ(layout.VisibleRows(), 5);
    EXPECT_FALSE(layout.verticalBarShown);
    EXPECT_FALSE(layout.horizontalBarShown);
    EXPECT_EQ(layout.rowAreaRight, 365);

    input.rowCount = 8;
    input.verticalPosition = 7;  // clamped: the last record is then the bottom row
    layout = ComputeFileListLayout(input);
    EXPECT_TRUE(layout.verticalBarShown);
    EXPECT_EQ(layout.verticalMaximum, 3);
    EXPECT_EQ(layout.verticalPosition, 3);
    EXPECT_EQ(layout.verticalPosition + layout.VisibleRows(), 8);
    EXPECT_EQ(layout.rowAreaRight, 365 - 18);

    input.rowCount = 0;  // nothing to scroll
    layout = ComputeFileListLayout(input);
    EXPECT_FALSE(layout.verticalBarShown);
    EXPECT_EQ(layout.verticalPosition, 0);
}

TEST(FileListLayout, HorizontalBarAndColumnsFollowTheHeader) {
    FileListLayoutInput input{
        .width = 250, .height = 400, .rowCount = 3, .horizontalPosition = 80.7};
    auto layout = ComputeFileListLayout(input);
    EXPECT_TRUE(layout.horizontalBarShown);
    EXPECT_EQ(layout.rowAreaBottom, 400 - 18);
    EXPECT_DOUBLE_EQ(layout.horizontalMaximum, 50);
    EXPECT_DOUBLE_EQ(layout.horizontalPosition, 50);

    input.rowCount = 30;  // the vertical bar narrows the row area
    input.horizontalPosition = 20.7;
    layout = ComputeFileListLayout(input);
    EXPECT_DOUBLE_EQ(layout.horizontalMaximum, 68);
    EXPECT_DOUBLE_EQ(layout.horizontalPosition, 20);
    // icon column at edge 1 - 20, then the header's columns, all moved left by 20
    struct Expected {
        double x, width;
        bool visible;
    };
    const Expected columns[] = {{-10, 20, true},
                                {10, 120, true},
                                {130, 70, true},
                                {200, 32, true}};  // the last cut at the right edge 232
    for (int i = 0; i < views::kFileColumns; ++i) {
        EXPECT_DOUBLE_EQ(layout.columns[i].x, columns[i].x) << i;
        EXPECT_DOUBLE_EQ(layout.columns[i].width, columns[i].width) << i;
        EXPECT_EQ(layout.columns[i].visible, columns[i].visible) << i;
        EXPECT_DOUBLE_EQ(layout.columns[i].y, views::kRowsTop);
    }

    input.horizontalPosition = 68;
    input.edges = {0, 30, 40, 50, 300};
    layout = ComputeFileListLayout(input);
    EXPECT_FALSE(layout.columns[0].visible);  // scrolled out to the left
    EXPECT_FALSE(layout.columns[2].visible);
    EXPECT_TRUE(layout.columns[3].visible);

    input.width = 400;  // wide enough again: no bar, no scroll
    layout = ComputeFileListLayout(input);
    EXPECT_FALSE(layout.horizontalBarShown);
    EXPECT_DOUBLE_EQ(layout.horizontalPosition, 0);
    EXPECT_DOUBLE_EQ(layout.columns[1].x, 30);
}
