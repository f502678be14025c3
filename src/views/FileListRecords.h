#pragma once

#include "views/GroupItem.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace views {

// One shown row: a drive's group row, or a record of an expanded drive.
struct FileRow {
    GroupItem* group = nullptr;   // the drive the row belongs to
    TFileItem* record = nullptr;  // null on the group row
    bool IsGroup() const { return record == nullptr; }
};

// Rows first..last of the shown rows; last -1 means no range.
struct RowRange {
    int first = -1;
    int last = -1;
};

// What the file list holds, without a window: the records of the last load (one
// reference each), their drives, the shown rows, the selection range and the play
// list made from it. GUI thread only.
class FileListRecords {
  public:
    // Makes the item of a file name, holding one reference; an item of type 0 (not
    // a recording) is released at once.
    using RecordFactory = std::function<TFileItem*(const QString& path)>;

    // Without a factory, each name is probed as a TFileItem.
    explicit FileListRecords(RecordFactory factory = {});
    ~FileListRecords();
    FileListRecords(const FileListRecords&) = delete;
    FileListRecords& operator=(const FileListRecords&) = delete;

    // Replaces the whole list by the recordings among `names`, sorted by start time
    // and grouped into drives. The old records stay intact while the names are
    // probed (a box shown meanwhile may repaint), and the play list and range are
    // emptied before they are released. One drive is expanded; a single record is
    // selected as the whole play list. True when the list holds the new records.
    // Names that are no recording go to `refused`, in their order; when every name
    // is refused the list stays as it was (what it shows may be playing). No names
    // at all empty it.
    bool Load(const QStringList& names, QStringList* refused = nullptr);

    // Makes the rows again from the drives and their expanded flags.
    void RebuildRows();

    // Makes the play list from the range, cleaned as CleanRange does; true when the
    // play list changed. Otherwise the highlight shows the play list again.
    bool ApplySelection();
    // Highlights the file rows inside the range as it stands, without touching the
    // play list (a drag or Shift extension in progress).
    void MarkSelectedRange();
    // Moves the playing mark to play-list entry `index`; outside the list it only
    // clears the mark.
    void SetPlayingIndex(int index);
    // Drops the play list's records from the list, each from its own drive, and
    // every drive left empty. The range is reset.
    void RemovePlayList();

    // The range made fit for a play list: within the rows, past a leading group row,
    // ending before the next group row. Nothing when no file row remains.
    bool CleanRange(RowRange* range) const;

    // The record of `row`; null for a group row or a row that does not exist.
    TFileItem* RecordAt(int row) const;
    bool IsGroupRow(int row) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }

    const FileItemList& Records() const { return records_; }
    const std::vector<std::unique_ptr<GroupItem>>& Groups() const { return groups_; }
    const std::vector<FileRow>& Rows() const { return rows_; }
    const FileItemList& PlayList() const { return playList_; }

    RowRange range;   // the selection range the input builds
    int anchor = -1;  // the row a Shift extension starts from

  private:
    // Empties rows, drives, play list and range, then drops the references.
    void ReleaseAll();
    bool RangeIsPlayList(const RowRange& range) const;
    void ResetRange();

    RecordFactory factory_;
    FileItemList records_;  // one reference each; start-time order
    std::vector<std::unique_ptr<GroupItem>> groups_;
    std::vector<FileRow> rows_;
    FileItemList playList_;  // no references of its own
};

}  // namespace views
