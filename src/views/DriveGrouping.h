#pragma once

#include "views/GroupItem.h"

#include <memory>
#include <vector>

namespace views {

// A recording more than this far (whole seconds, either way) from the end of the
// one before it starts a new drive.
inline constexpr double kDriveGapSeconds = 3.0;

// Sorts by start time; records starting at the same second keep their order.
void SortByStartTime(FileItemList& records);

// Groups records sorted by start time into drives, in the same order. Each
// record's end is its start plus its duration cut to whole seconds.
std::vector<std::unique_ptr<GroupItem>> GroupIntoDrives(const FileItemList& records);

}  // namespace views
