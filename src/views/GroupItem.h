#pragma once

#include "recordings/FileItem.h"

// One drive: recordings that follow each other without a gap of more than three
// seconds. Owned by the file list; holds no reference on its records.
struct GroupItem {
    FileItemList Records;        // start-time order
    double totalDuration = 0.0;  // seconds, the sum of the records' durations
    bool expanded = false;       // its records are shown as rows under it
};
