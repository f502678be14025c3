#include "FileListRecords.h"

#include "views/DriveGrouping.h"

#include <algorithm>
#include <numeric>

namespace views {

namespace {

constexpr std::uint32_t kSelected = FILE_ITEM_SELECTED;
constexpr std::uint32_t kPlaying = FILE_ITEM_PLAYING;

TFileItem* ProbeRecord(const QString& path) {
    return new TFileItem(path);
}

void ReleaseItems(FileItemList& items) {
    for (TFileItem* item : items) {
        item->Release();
    }
    items.clear();
}

template <typename T>
void Erase(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

FileListRecords::FileListRecords(RecordFactory factory)
    : factory_(factory ? std::move(factory) : RecordFactory(ProbeRecord)) {}

FileListRecords::~FileListRecords() {
    ReleaseAll();
}

bool FileListRecords::Load(const QStringList& names, QStringList* refused) {
    FileItemList loaded;
    try {
        for (const QString& name : names) {
            TFileItem* item = factory_(name);
            if (item != nullptr && item->fileType != FILE_TYPE_NONE) {
                loaded.push_back(item);
                continue;
            }
            if (item != nullptr) {
                item->Release();
            }
            if (refused != nullptr) {
                refused->append(name);
            }
        }
    } catch (...) {
        ReleaseItems(loaded);
        throw;
    }
    if (loaded.empty() && !names.isEmpty()) {
        return false;
    }
    ReleaseAll();
    records_ = std::move(loaded);
    if (records_.empty()) {
        return false;
    }
    SortByStartTime(records_);
    groups_ = GroupIntoDrives(records_);
    if (groups_.size() == 1) {
        groups_.front()->expanded = true;
        if (records_.size() == 1) {
            records_.front()->flags |= kSelected;
            playList_ = records_;
        }
    }
    RebuildRows();
    return true;
}

void FileListRecords::ReleaseAll() {
    rows_.clear();
    groups_.clear();
    playList_.clear();
    ResetRange();
    FileItemList released;
    released.swap(records_);
    ReleaseItems(released);
}

void FileListRecords::ResetRange() {
    range = RowRange{};
    anchor = -1;
}

void FileListRecords::RebuildRows() {
    rows_.clear();
    for (const std::unique_ptr<GroupItem>& group : groups_) {
        rows_.push_back(FileRow{group.get(), nullptr});
        if (group->expanded) {
            for (TFileItem* record : group->Records) {
                rows_.push_back(FileRow{group.get(), record});
            }
        }
    }
}

bool FileListRecords::CleanRange(RowRange* r) const {
    if (r->last < 0 || r->last < r->first || rows_.empty()) {
        return false;
    }
    r->first = std::max(r->first, 0);
    r->last = std::min(r->last, RowCount() - 1);
    if (r->first <= r->last && IsGroupRow(r->first)) {
        ++r->first;
    }
    for (int row = r->first; row <= r->last; ++row) {
        if (IsGroupRow(row)) {
            r->last = row - 1;
        }
    }
    return r->first <= r->last;
}

bool FileListRecords::RangeIsPlayList(const RowRange& r) const {
    return !playList_.empty() && rows_[r.first].record == playList_.front() &&
           static_cast<int>(playList_.size()) == r.last - r.first + 1;
}

bool FileListRecords::ApplySelection() {
    RowRange cleaned = range;
    if (CleanRange(&cleaned)) {
        range = cleaned;
        if (!RangeIsPlayList(cleaned)) {
            for (TFileItem* record : records_) {
                record->flags &= ~(kSelected | kPlaying);
            }
            playList_.clear();
            for (int row = cleaned.first; row <= cleaned.last; ++row) {
                rows_[row].record->flags |= kSelected;
                playList_.push_back(rows_[row].record);
            }
            return true;
        }
    } else {
        range.last = -1;
    }
    for (TFileItem* record : records_) {
        record->flags &= ~kSelected;
    }
    for (TFileItem* record : playList_) {
        record->flags |= kSelected;
    }
    return false;
}

void FileListRecords::MarkSelectedRange() {
    for (int row = 0; row < RowCount(); ++row) {
        if (TFileItem* record = rows_[row].record) {
            const bool inside = row >= range.first && row <= range.last;
            record->flags = inside ? record->flags | kSelected : record->flags & ~kSelected;
        }
    }
}

void FileListRecords::SetPlayingIndex(int index) {
    for (int i = 0; i < static_cast<int>(playList_.size()); ++i) {
        TFileItem* record = playList_[i];
        record->flags = i == index ? record->flags | kPlaying : record->flags & ~kPlaying;
    }
}

void FileListRecords::RemovePlayList() {
    FileItemList removed;
    removed.swap(playList_);
    ResetRange();
    for (TFileItem* record : removed) {
        for (const std::unique_ptr<GroupItem>& group : groups_) {
            Erase(group->Records, record);
        }
        Erase(records_, record);
    }
    std::erase_if(groups_,
                  [](const std::unique_ptr<GroupItem>& group) { return group->Records.empty(); });
    for (const std::unique_ptr<GroupItem>& group : groups_) {
        group->totalDuration = std::accumulate(
            group->Records.begin(), group->Records.end(), 0.0,
            [](double sum, const TFileItem* record) { return sum + record->duration; });
    }
    RebuildRows();
    ReleaseItems(removed);
}

TFileItem* FileListRecords::RecordAt(int row) const {
    return row >= 0 && row < RowCount() ? rows_[row].record : nullptr;
}

bool FileListRecords::IsGroupRow(int row) const {
    return row >= 0 && row < RowCount() && rows_[row].IsGroup();
}

}  // namespace views
