#include "DriveGrouping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace views {

namespace {

std::int64_t EndSecond(const TFileItem& record) {
    return static_cast<std::int64_t>(std::trunc(record.startTime + record.duration));
}

}  // namespace

void SortByStartTime(FileItemList& records) {
    std::stable_sort(records.begin(), records.end(), [](const TFileItem* a, const TFileItem* b) {
        return a->startTime < b->startTime;
    });
}

std::vector<std::unique_ptr<GroupItem>> GroupIntoDrives(const FileItemList& records) {
    std::vector<std::unique_ptr<GroupItem>> groups;
    std::int64_t previousEnd = 0;
    for (TFileItem* record : records) {
        const std::int64_t gap = std::int64_t{record->startTime} - previousEnd;
        if (groups.empty() || std::abs(static_cast<double>(gap)) > kDriveGapSeconds) {
            groups.push_back(std::make_unique<GroupItem>());
        }
        GroupItem& group = *groups.back();
        group.Records.push_back(record);
        group.totalDuration += record->duration;
        previousEnd = EndSecond(*record);
    }
    return groups;
}

}  // namespace views
