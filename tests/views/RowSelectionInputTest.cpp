#include "views/RowSelectionInput.h"

#include "FileListTestSupport.h"

#include <gtest/gtest.h>

using views::FileListRecords;
using views::InputOutcome;
using views::RowRange;
using views::RowSelectionInput;

constexpr double kIconColumnRight = 30;  // header edge 1, not scrolled

class RowSelectionInputTest : public testing::Test {
  protected:
    void Load(const std::vector<int>& perDrive, bool open) {
        LoadDrives(list, fake, perDrive, open);
    }
    InputOutcome Click(int x, int row, bool shift = false) {
        input.MouseDown(Qt::LeftButton, x, RowY(row), shift, 0);
        return input.MouseUp(shift, kIconColumnRight);
    }
    InputOutcome Key(int key, bool shift = false) { return input.KeyDown(key, shift); }

    FakeRecordings fake;
    FileListRecords list{fake.Factory()};
    RowSelectionInput input{list};
};

TEST_F(RowSelectionInputTest, ClicksOnDriveRowsOpenCloseOrSelectTheDrive) {
    Load({2, 2}, false);                  // G- G-
    InputOutcome outcome = Click(10, 0);  // the triangle of a closed drive opens it
    EXPECT_EQ(RowsText(list), "G+ a b G-");
    EXPECT_FALSE(outcome.changed);
    EXPECT_TRUE(outcome.relayout);

    Click(kDateX, 3);  // the date of a closed drive opens it too
    EXPECT_EQ(RowsText(list), "G+ a b G+ c d");
    EXPECT_TRUE(list.PlayList().empty());

    outcome = Click(kDateX, 3);  // the date of an open drive selects all of it
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(Names(list.PlayList()), "c d");

    outcome = Click(10, 0);  // the triangle of an open drive closes it
    EXPECT_EQ(RowsText(list), "G- G+ c* d*");
    EXPECT_FALSE(outcome.changed);
    EXPECT_EQ(Names(list.PlayList()), "c d");

    EXPECT_TRUE(Click(kDateX, 3).changed);  // a record
    EXPECT_EQ(Names(list.PlayList()), "d");
    EXPECT_FALSE(Click(kDateX, 3).changed);  // the same again

    Click(kDateX, 7);  // below the last row: the highlight shows the play list
    EXPECT_EQ(RowsText(list), "G- G+ c d*");
}

TEST_F(RowSelectionInputTest, DragsSelectWithinOneDrive) {
    Load({2, 2}, true);  // 0 G, 1 a, 2 b, 3 G, 4 c, 5 d
    input.MouseDown(Qt::LeftButton, kDateX, RowY(1), false, 0);
    EXPECT_TRUE(input.MouseMove(RowY(4), true, 0).repaint);
    EXPECT_EQ(RowsText(list), "G+ a* b* G+ c* d");                // shown as dragged
    EXPECT_FALSE(input.MouseMove(RowY(4) + 2, true, 0).repaint);  // same rows
    EXPECT_TRUE(input.MouseUp(false, kIconColumnRight).changed);
    EXPECT_EQ(Names(list.PlayList()), "a b");  // ends above the next drive's row
    EXPECT_EQ(RowsText(list), "G+ a* b* G+ c d");

    // Three pixels or less is no drag; the release takes the pressed row.
    input.MouseDown(Qt::LeftButton, kDateX, RowY(4) - 7, false, 0);
    EXPECT_FALSE(input.MouseMove(RowY(4) - 10, true, 0).repaint);
    EXPECT_FALSE(input.MouseMove(RowY(5), false, 0).repaint);  // button no longer held
    input.MouseUp(false, kIconColumnRight);
    EXPECT_EQ(Names(list.PlayList()), "c");

    // A drag upward from d over the drive row starts after it; scrolled by 2 rows.
    input.MouseDown(Qt::LeftButton, kDateX, RowY(3), false, 2);
    input.MouseMove(RowY(1), true, 2);
    input.MouseUp(false, kIconColumnRight);
    EXPECT_EQ(Names(list.PlayList()), "c d");

    // A press off the rows or with another button is no press.
    input.MouseDown(Qt::RightButton, kDateX, RowY(1), false, 0);
    EXPECT_FALSE(input.MouseUp(false, kIconColumnRight).relayout);
    input.MouseDown(Qt::LeftButton, kDateX, views::kRowsTop, false, 0);
    EXPECT_FALSE(input.MouseUp(false, kIconColumnRight).relayout);
}

TEST_F(RowSelectionInputTest, ShiftClickExtendsFromTheAnchorOnShiftRelease) {
    Load({4}, true);  // 0 G, 1 a, 2 b, 3 c, 4 d
    Click(kDateX, 2);
    input.MouseDown(Qt::LeftButton, kDateX, RowY(4), true, 0);
    EXPECT_FALSE(input.MouseUp(true, kIconColumnRight).changed);  // Shift still held
    EXPECT_EQ(RowsText(list), "G+ a b* c* d*");
    EXPECT_EQ(Names(list.PlayList()), "b");
    EXPECT_TRUE(input.KeyUp(Qt::Key_Shift).changed);
    EXPECT_EQ(Names(list.PlayList()), "b c d");
}

TEST_F(RowSelectionInputTest, ArrowsMoveOverDrivesAndNeverSelectADriveRow) {
    Key(Qt::Key_Down);  // no rows: nothing
    Key(Qt::Key_Up);
    Load({2, 3}, false);                     // G- G-
    EXPECT_TRUE(Key(Qt::Key_Down).changed);  // from no range: into the first drive
    EXPECT_EQ(RowsText(list), "G+ a* b G-");
    Key(Qt::Key_Down);
    EXPECT_TRUE(Key(Qt::Key_Down).relayout);  // over the next drive's row, opening it
    EXPECT_EQ(RowsText(list), "G+ a b G+ c* d e");
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);  // stays on the last row
    EXPECT_EQ(Names(list.PlayList()), "e");

    // Up into a closed drive above takes its last record.
    list.Groups()[0]->expanded = false;
    list.RebuildRows();  // 0 G-, 1 G+, 2 c, 3 d, 4 e
    list.range = RowRange{2, 2};
    EXPECT_TRUE(Key(Qt::Key_Up).relayout);
    EXPECT_EQ(Names(list.PlayList()), "b");
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);  // the first record stays
    EXPECT_EQ(Names(list.PlayList()), "a");

    // A range left on a drive row (its triangle clicked) never ends as the selection.
    list.Groups()[0]->expanded = false;
    list.RebuildRows();  // 0 G-, 1 G+, 2 c
    list.range = RowRange{1, -1};
    Key(Qt::Key_Up);
    EXPECT_EQ(Names(list.PlayList()), "c");

    Key(Qt::Key_Escape);
    EXPECT_EQ(list.range.last, -1);
    EXPECT_EQ(Names(list.PlayList()), "c");
    bool handled = true;
    EXPECT_FALSE(input.KeyDown(Qt::Key_Left, false, &handled).repaint);
    EXPECT_FALSE(handled);
}

TEST_F(RowSelectionInputTest, ShiftArrowsGrowAndShrinkWithinTheDrive) {
    Load({3, 1}, true);  // 0 G, 1 a, 2 b, 3 c, 4 G, 5 d
    Click(kDateX, 1);
    Key(Qt::Key_Down, true);
    Key(Qt::Key_Down, true);
    EXPECT_EQ(RowsText(list), "G+ a* b* c* G+ d");
    Key(Qt::Key_Down, true);  // not over the next drive
    EXPECT_EQ(RowsText(list), "G+ a* b* c* G+ d");
    Key(Qt::Key_Up, true);  // shrinks from below
    EXPECT_EQ(RowsText(list), "G+ a* b* c G+ d");
    EXPECT_EQ(Names(list.PlayList()), "a");
    EXPECT_TRUE(input.KeyUp(Qt::Key_Shift).changed);
    EXPECT_EQ(Names(list.PlayList()), "a b");

    Click(kDateX, 3);
    Key(Qt::Key_Up, true);  // grows upward
    Key(Qt::Key_Up, true);
    Key(Qt::Key_Up, true);  // not over the drive row
    EXPECT_EQ(RowsText(list), "G+ a* b* c* G+ d");
    Key(Qt::Key_Down, true);  // shrinks from above
    input.KeyUp(Qt::Key_Shift);
    EXPECT_EQ(Names(list.PlayList()), "b c");
}

TEST_F(RowSelectionInputTest, WheelScrollsOneRowPerNotchTheUsualWay) {
    EXPECT_EQ(input.WheelRows(120), -1);  // away from the user: up
    EXPECT_EQ(input.WheelRows(-240), 2);
    int rows = 0;
    for (int i = 0; i < 8; ++i) {
        rows += input.WheelRows(-30);  // a high-resolution wheel
    }
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(input.WheelRows(-90), 0);
    EXPECT_EQ(input.WheelRows(60), 0);  // turning back starts a new notch
    EXPECT_EQ(input.WheelRows(60), -1);
}
