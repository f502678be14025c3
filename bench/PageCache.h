#pragma once

// The page cache as a benchmark sets it up outside the timed part: warm (the
// files read through once), cold (dropped first) and no dirty pages left over.

#include <QString>
#include <QStringList>

namespace bench {

// Reads the files through once; false when one cannot be read.
bool ReadIntoPageCache(const QStringList& paths);
// Writes the file's dirty pages back and drops all its pages from the cache.
bool DropFromPageCache(const QString& path);
// Every file system's dirty pages to the devices.
void SyncAll();

}  // namespace bench
