#include "views/FileListRecords.h"

#include "FileListTestSupport.h"

#include <gtest/gtest.h>

using views::FileListRecords;
using views::RowRange;

namespace {

constexpr std::uint32_t kSelected = FILE_ITEM_SELECTED;

}  // namespace

class FileListRecordsTest : public testing::Test {
  protected:
    void LoadOpen(const std::vector<int>& perDrive) { LoadDrives(list, fake, perDrive, true); }
    bool Select(int first, int last) {
        list.range = RowRange{first, last};
        return list.ApplySelection();
    }

    FakeRecordings fake;
    std::function<void()> onProbe;
    FileListRecords list{[this, make = fake.Factory()](const QString& name) {
        if (onProbe) {
            onProbe();
        }
        return make(name);
    }};
};

TEST_F(FileListRecordsTest, LoadingOneFileSelectsItAsThePlayList) {
    fake.Add("one", {.start = 50});
    QStringList refused;
    EXPECT_TRUE(list.Load({QStringLiteral("nothing"), QStringLiteral("one")}, &refused));
    EXPECT_EQ(refused, QStringList{"nothing"});
    EXPECT_EQ(RowsText(list), "G+ one*");
    EXPECT_EQ(Names(list.PlayList()), "one");
    EXPECT_EQ(fake.ListRefs("one"), 1);
    EXPECT_EQ(fake.ListRefs("nothing"), 0);  // not a recording: released at once
}

TEST_F(FileListRecordsTest, LoadingSortsGroupsAndOpensOnlyASingleDrive) {
    fake.Add("late", {.start = 1060});
    fake.Add("early", {.start = 1000});
    EXPECT_TRUE(list.Load({QStringLiteral("late"), QStringLiteral("early")}));
    EXPECT_EQ(RowsText(list), "G+ early late");
    EXPECT_TRUE(list.PlayList().empty());

    EXPECT_TRUE(list.Load(AddDrives(fake, {2, 1, 3})));
    EXPECT_EQ(RowsText(list), "G- G- G-");
    EXPECT_DOUBLE_EQ(list.Groups()[2]->totalDuration, 180.0);
    EXPECT_EQ(fake.ListRefs("early"), 0);
}

// The old records stay whole while new names are probed (a box of the probe may
// repaint the list). Names that are all refused leave the list as it was, since
// what it shows may be playing; a load of no names empties the play list and the
// range too, so a removal afterwards finds nothing to release again.
TEST_F(FileListRecordsTest, LoadingKeepsOldRecordsWhileProbingAndEmptiesEveryList) {
    LoadOpen({3});
    ASSERT_TRUE(Select(1, 2));
    list.anchor = 2;
    onProbe = [this] {
        EXPECT_EQ(RowsText(list), "G+ a* b* c");
        EXPECT_EQ(Names(list.PlayList()), "a b");
    };
    QStringList refused;
    EXPECT_FALSE(
        list.Load({QStringLiteral("not a recording"), QStringLiteral("nor this")}, &refused));
    EXPECT_EQ(fake.probes, 5);
    EXPECT_EQ(refused, (QStringList{"not a recording", "nor this"}));
    EXPECT_EQ(RowsText(list), "G+ a* b* c");
    EXPECT_EQ(Names(list.PlayList()), "a b");
    EXPECT_EQ(list.range.last, 2);
    EXPECT_EQ(list.anchor, 2);
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_EQ(fake.ListRefs(name), 1) << name;
    }
    EXPECT_EQ(fake.ListRefs("nor this"), 0);

    onProbe = nullptr;
    EXPECT_FALSE(list.Load({}));
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_TRUE(list.Groups().empty());
    EXPECT_TRUE(list.PlayList().empty());
    EXPECT_EQ(list.range.last, -1);
    EXPECT_EQ(list.anchor, -1);
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_EQ(fake.ListRefs(name), 0) << name;
    }
    list.RemovePlayList();
    EXPECT_EQ(fake.ListRefs("a"), 0);
}

// Rows of drives {3, 2}: 0 G, 1 a, 2 b, 3 c, 4 G, 5 d, 6 e. The play list is "e"
// before each case.
TEST_F(FileListRecordsTest, ApplyingARangeTakesFileRowsOfOneDriveOnly) {
    LoadOpen({3, 2});
    struct Case {
        RowRange range;
        const char* playList;
    };
    const Case cases[] = {
        {{1, 6}, "a b c"},                 // across the next drive's row: ends above it
        {{0, 2}, "a b"},                   // a leading drive row is skipped
        {{4, 9}, "d e"},                   // clamped to the last row
        {{-3, 1}, "a"},                    // clamped to the first row
        {{3, 3}, "c"},     {{4, 4}, "e"},  // a drive row alone: no selection
        {{9, 9}, "e"},                     // below the rows
        {{2, 1}, "e"},                     // reversed
        {{-1, -1}, "e"},                   // no range
    };
    for (const Case& c : cases) {
        Select(6, 6);
        const bool changed = Select(c.range.first, c.range.last);
        EXPECT_EQ(Names(list.PlayList()), c.playList) << c.range.first << ".." << c.range.last;
        EXPECT_EQ(changed, QString::fromLatin1(c.playList) != "e");
        for (const TFileItem* record : list.Records()) {
            const bool listed = Names(list.PlayList()).contains(record->path);
            EXPECT_EQ((record->flags & kSelected) != 0, listed) << record->path.toStdString();
        }
    }
}

TEST_F(FileListRecordsTest, PlayingMarkAndUnchangedSelection) {
    LoadOpen({3});
    ASSERT_TRUE(Select(1, 3));
    list.SetPlayingIndex(1);
    EXPECT_EQ(RowsText(list), "G+ a* b*> c*");
    list.SetPlayingIndex(3);  // past the end: only clears the mark
    EXPECT_EQ(RowsText(list), "G+ a* b* c*");
    list.SetPlayingIndex(0);
    list.SetPlayingIndex(-1);
    EXPECT_EQ(RowsText(list), "G+ a* b* c*");
    EXPECT_EQ(Names(list.PlayList()), "a b c");

    list.SetPlayingIndex(2);
    list.range = RowRange{2, 3};
    list.MarkSelectedRange();  // shows a range without making it the play list
    EXPECT_EQ(RowsText(list), "G+ a b* c*>");
    EXPECT_FALSE(Select(1, 3));  // the play list again: unchanged, highlight back
    EXPECT_EQ(RowsText(list), "G+ a* b* c*>");
    EXPECT_TRUE(Select(2, 2));  // a new selection clears the playing mark
    EXPECT_EQ(RowsText(list), "G+ a b* c");
}

TEST_F(FileListRecordsTest, RemovalTakesRecordsFromTheirDriveAndDropsEmptiedDrives) {
    LoadOpen({2, 2, 1});  // G a b G c d G e
    ASSERT_TRUE(Select(4, 5));
    list.RemovePlayList();
    EXPECT_EQ(RowsText(list), "G+ a b G+ e");
    EXPECT_TRUE(list.PlayList().empty());
    EXPECT_EQ(list.range.last, -1);
    EXPECT_EQ(fake.ListRefs("c"), 0);
    EXPECT_EQ(fake.ListRefs("d"), 0);
    EXPECT_EQ(Names(list.Records()), "a b e");

    ASSERT_TRUE(Select(2, 2));
    list.RemovePlayList();
    EXPECT_EQ(RowsText(list), "G+ a G+ e");
    EXPECT_DOUBLE_EQ(list.Groups()[0]->totalDuration, 60.0);  // what is left of the drive
    EXPECT_EQ(fake.ListRefs("a"), 1);
}
