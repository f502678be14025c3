#pragma once

#include "foundation/MessageNumbers.h"
#include "platform/FileHandle.h"
#include "platform/Worker.h"
#include "recordings/FileItem.h"
#include "recordings/SensorLog.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace recordings {
inline constexpr std::uint32_t kMergedLogStartCapacity = 5400;
}  // namespace recordings

// The program's one sensor-log store: the play list on one time line, a worker
// that decodes the recordings' logs one at a time, and the merged log.
//
// GUI thread: SetFileList, MergeLogs (also on WM_LOG_LOADED) and the readers of
// the merged log, the total and the start offsets. Other threads read the merged
// log only through Snapshot().
class TLogManagement {
  public:
    explicit TLogManagement(QObject* notifyWindow,
                            const recordings::RecordingReadLimits& limits = {});
    // Stops the worker (a decode in progress stops between blocks), joins it and
    // releases every item held.
    ~TLogManagement();
    TLogManagement(const TLogManagement&) = delete;
    TLogManagement& operator=(const TLogManagement&) = delete;

    // Sets the stop flag and wakes the worker, which ends (a decode in progress
    // between two blocks); the destructor joins it.
    void StopWorker();

    // Replaces the play list and merges what is already read.
    void SetFileList(const FileItemList& list);
    // Appends every read item that is next in play order to the merged log, hands
    // the first unread one to the worker, posts WM_LOG_MERGED.
    void MergeLogs();

    // Makes sure the log holds at least n samples: when n is larger than the
    // capacity, a new zero-filled block (count 0, extremes kept). False when the
    // block cannot be had (the error box is shown and the log keeps its old block).
    static bool AllocLog(SensorLog& log, std::uint32_t n);
    // Decodes the item's sensor log from the open file; throws the failure text.
    // Worker thread (tests call it directly).
    bool ReadTSLog(const platform::FileHandle& file, TFileItem& item);

    const SensorLog& MergedLog() const { return merged_; }
    double Total() const { return total_; }  // ms
    // Time-line start of each play-list item, ms.
    const std::vector<double>& StartOffsets() const { return startOffsets_; }
    const FileItemList& PlayList() const { return playList_; }
    // The merged log as it stood after the last merge; any thread.
    std::shared_ptr<const SensorLog> Snapshot() const;

  private:
    void Run(platform::Worker::Control& worker);
    bool ReadLog(TFileItem& item);
    void AppendItemLog(const TFileItem& item);
    void PublishSnapshot();

    QObject* notifyWindow_;
    recordings::RecordingReadLimits limits_;
    std::atomic<TFileItem*> itemInWork_{nullptr};
    FileItemList playList_;
    bool newList_ = false;
    std::size_t nextIndex_ = 0;
    double mergeOffset_ = 0.0;  // ms
    double total_ = 0.0;        // ms
    SensorLog merged_;
    std::vector<double> startOffsets_;
    mutable std::mutex snapshotMutex_;
    std::shared_ptr<const SensorLog> snapshot_;
    platform::Worker worker_;  // last: built after what it reads, joined first
};

// The one log manager, set by the main window that owns it; readers reach the
// merged log through it.
extern TLogManagement* LogManager;
