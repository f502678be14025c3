#pragma once

#include "recordings/FileItem.h"
#include "views/FileListLayout.h"
#include "views/FileListRecords.h"

#include <QString>

#include <cstdint>
#include <map>
#include <vector>

// A record that was never probed, with the given start, duration and path; it holds
// one reference.
TFileItem* NewRecord(std::uint32_t start, double duration, const QString& path = {});

// A record's reference count as it stands (a reference is taken and dropped).
std::int32_t RefCount(TFileItem* record);

struct RecordSpec {
    std::uint32_t start = 0;
    double duration = 60.0;
    bool readOnly = false;
};

// Recordings by name for FileListRecords: a name without a spec is no recording.
// Keeps a reference of its own on every record it made, so tests can count the
// list's references; drops them at the end.
class FakeRecordings {
  public:
    ~FakeRecordings();
    void Add(const QString& name, RecordSpec spec) { specs_[name] = spec; }
    views::FileListRecords::RecordFactory Factory();
    // The last record made for `name`.
    TFileItem* Made(const QString& name) const { return made_.at(name); }
    // References other than ours on the last record made for `name`.
    std::int32_t ListRefs(const QString& name) const { return RefCount(Made(name)) - 1; }
    int probes = 0;

  private:
    std::map<QString, RecordSpec> specs_;
    std::map<QString, TFileItem*> made_;
    std::vector<TFileItem*> all_;
};

// Rows as text: "G+" an open drive, "G-" a closed one, a record's path with "*" when
// highlighted and ">" when playing, e.g. "G+ a* b*> G-".
QString RowsText(const views::FileListRecords& list);
// The records' paths, separated by blanks.
QString Names(const FileItemList& records);

// Loads drives of the given sizes (names from AddDrives), every drive open or closed.
void LoadDrives(views::FileListRecords& list, FakeRecordings& fake,
                const std::vector<int>& perDrive, bool open);

// Names "a", "b", ... for `count` recordings of 60 s, `perDrive` in a row, then a
// gap of an hour before the next drive.
QStringList AddDrives(FakeRecordings& fake, const std::vector<int>& perDrive);

// A point in the date column of a record's row, and the middle of row `row`.
inline constexpr int kDateX = 60;
inline int RowY(int row) {
    return views::kRowsTop + row * views::kRowHeight + views::kRowHeight / 2;
}
