#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace media {

// The video packets of a file: time stamps, byte positions and key flags. Seeks use
// it to start at the right key frame and to know which picture a position shows.
//
// One thread builds it, in file order, while others read it: a reader that needs
// the part of the file around a time stamp waits until that part is indexed
// (Covers). Every member locks; answers are copies.
class PacketIndex {
  public:
    struct Entry {
        std::int64_t pts = 0;
        std::int64_t pos = -1;
        bool key = false;
    };
    // Bytes of the file in which no transport stream packet was found.
    struct ByteRange {
        std::int64_t begin = 0;
        std::int64_t end = 0;
    };
    static constexpr std::int64_t kUnknown = std::numeric_limits<std::int64_t>::min();

    PacketIndex() = default;
    // A copy of what is indexed so far.
    PacketIndex(const PacketIndex& other);
    PacketIndex& operator=(const PacketIndex&) = delete;

    // Builder, in file order.
    void Add(const Entry& entry);
    void AddGap(const ByteRange& gap);
    // The bytes before `offset` are indexed.
    void SetScanned(std::int64_t offset);
    // The time stamp of the file's last packet, known from its end before the rest.
    void SetExpectedLastPacketPts(std::int64_t pts);
    // Everything is indexed; wakes every waiter.
    void Finish();
    // The builder stopped early: from now on every wait returns what there is.
    void Abandon();

    bool Complete() const;
    bool Empty() const;
    std::size_t Count() const;
    std::int64_t FirstPts() const;
    std::int64_t LastPts() const;
    // The time stamp of the last packet in file order; kUnknown while that is not known.
    std::int64_t LastPacketPts() const;
    // The usual distance between two pictures (of the indexed part while building).
    std::int64_t FrameDuration() const;

    // Whether every picture at or before `pts`, and the one after it, is indexed.
    bool Covers(std::int64_t pts) const;
    // Waits until Covers(pts) or `cancelled()` (asked every few milliseconds) is
    // true; false when cancelled first.
    bool WaitUntilCovers(std::int64_t pts, const std::function<bool()>& cancelled) const;
    std::int64_t Scanned() const;
    // Waits until the bytes before `offset` are indexed (or the index stops growing);
    // false when cancelled first.
    bool WaitUntilScanned(std::int64_t offset, const std::function<bool()>& cancelled) const;
    // The first gap that ends after `pos`.
    std::optional<ByteRange> GapAfter(std::int64_t pos) const;

    // The picture shown at `pts`: the latest one at or before it (the first when none).
    std::int64_t PictureAt(std::int64_t pts) const;
    // The picture after the one at `pts`, or `pts` itself when it is the last.
    std::int64_t PictureAfter(std::int64_t pts) const;
    // The key frame at or before `pts`, `back` key frames earlier still (never before
    // the first); null when the file has no key frame. A copy: the index may grow.
    std::unique_ptr<const Entry> KeyFrameFor(std::int64_t pts, int back) const;

  private:
    bool CoversLocked(std::int64_t pts) const;
    bool WaitLocked(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
                    const std::function<bool()>& cancelled) const;
    std::int64_t MedianStepLocked() const;

    mutable std::mutex mutex_;
    mutable std::condition_variable grown_;
    std::vector<Entry> keys_;                 // by time stamp
    std::vector<std::int64_t> presentation_;  // sorted, unique
    std::vector<ByteRange> gaps_;             // in file order
    std::int64_t lastPacketPts_ = 0;
    std::int64_t expectedLastPacketPts_ = kUnknown;
    std::int64_t lastKeyPts_ = kUnknown;  // the latest key frame in file order
    std::int64_t coveredBelow_ = kUnknown;
    std::int64_t scanned_ = 0;
    std::int64_t frameDuration_ = 0;
    bool complete_ = false;
    bool stopped_ = false;  // complete or abandoned
};

}  // namespace media
