#include "views/DriveGrouping.h"

#include "FileListTestSupport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Span {
    std::uint32_t start;
    double duration;
};

// The record counts of the drives made of `spans`, already in start order.
std::vector<std::size_t> DriveSizes(const std::vector<Span>& spans) {
    FileItemList records;
    for (const Span& span : spans) {
        records.push_back(NewRecord(span.start, span.duration));
    }
    std::vector<std::size_t> sizes;
    for (const auto& group : views::GroupIntoDrives(records)) {
        sizes.push_back(group->Records.size());
        EXPECT_FALSE(group->expanded);
    }
    for (TFileItem* record : records) {
        record->Release();
    }
    return sizes;
}

}  // namespace

TEST(DriveGrouping, GapsOfThreeSecondsOrLessJoinADrive) {
    using Sizes = std::vector<std::size_t>;
    struct Case {
        const char* what;
        std::vector<Span> spans;
        Sizes drives;
    };
    const Case cases[] = {
        {"A ends at trunc(1059.6) = 1059; B 3 s later joins", {{1000, 59.6}, {1062, 60}}, {2}},
        {"B 4 s later opens a drive", {{1000, 59.6}, {1063, 60}}, {1, 1}},
        {"B starting 2 s before A's end joins", {{1000, 59.6}, {1057, 60}}, {2}},
        {"B starting 4 s before A's end opens a drive", {{1000, 59.6}, {1055, 60}}, {1, 1}},
        {"the gap counts from the last record", {{0, 60}, {60, 60}, {124, 1}, {125, 5}}, {2, 2}},
        {"one record", {{5, 0}}, {1}},
        {"none", {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriveSizes(c.spans), c.drives) << c.what;
    }
}

TEST(DriveGrouping, TotalsAndEqualStartsInTheGivenOrder) {
    // 100 + 2 ends at 102, so the second record at 100 joins (gap -2) and ends at 159,
    // and 160 joins; the other way round the short one would start a drive.
    FileItemList records{NewRecord(300, 10), NewRecord(100, 2), NewRecord(160, 30.25),
                         NewRecord(100, 59)};
    const FileItemList given = records;
    views::SortByStartTime(records);
    EXPECT_EQ(records, (FileItemList{given[1], given[3], given[2], given[0]}));
    const auto groups = views::GroupIntoDrives(records);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_DOUBLE_EQ(groups[0]->totalDuration, 2 + 59 + 30.25);
    for (TFileItem* record : records) {
        record->Release();
    }
}
