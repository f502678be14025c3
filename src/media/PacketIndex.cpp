#include "PacketIndex.h"

#include <algorithm>
#include <chrono>

namespace media {

namespace {

// How often a waiter asks whether it was cancelled.
constexpr std::chrono::milliseconds kCancelPoll{10};

}  // namespace

PacketIndex::PacketIndex(const PacketIndex& other) {
    std::lock_guard lock(other.mutex_);
    keys_ = other.keys_;
    presentation_ = other.presentation_;
    gaps_ = other.gaps_;
    lastPacketPts_ = other.lastPacketPts_;
    expectedLastPacketPts_ = other.expectedLastPacketPts_;
    lastKeyPts_ = other.lastKeyPts_;
    coveredBelow_ = other.coveredBelow_;
    scanned_ = other.scanned_;
    frameDuration_ = other.frameDuration_;
    complete_ = other.complete_;
    stopped_ = other.stopped_;
}

void PacketIndex::Add(const Entry& entry) {
    std::lock_guard lock(mutex_);
    // Pictures come in decode order: a new time stamp belongs near the end.
    const auto at = std::upper_bound(presentation_.begin(), presentation_.end(), entry.pts);
    if (at == presentation_.begin() || *std::prev(at) != entry.pts) {
        presentation_.insert(at, entry.pts);
    }
    lastPacketPts_ = entry.pts;
    if (entry.key) {
        const auto keyAt =
            std::upper_bound(keys_.begin(), keys_.end(), entry.pts,
                             [](std::int64_t value, const Entry& e) { return value < e.pts; });
        keys_.insert(keyAt, entry);
        // Pictures after a key frame in decode order lie after the key frame before it.
        if (lastKeyPts_ != kUnknown) {
            coveredBelow_ = std::max(coveredBelow_, lastKeyPts_);
        }
        lastKeyPts_ = entry.pts;
    }
}

void PacketIndex::AddGap(const ByteRange& gap) {
    std::lock_guard lock(mutex_);
    gaps_.push_back(gap);
}

void PacketIndex::SetScanned(std::int64_t offset) {
    {
        std::lock_guard lock(mutex_);
        scanned_ = std::max(scanned_, offset);
    }
    grown_.notify_all();
}

void PacketIndex::SetExpectedLastPacketPts(std::int64_t pts) {
    std::lock_guard lock(mutex_);
    expectedLastPacketPts_ = pts;
}

void PacketIndex::Finish() {
    {
        std::lock_guard lock(mutex_);
        complete_ = true;
        stopped_ = true;
        frameDuration_ = MedianStepLocked();
    }
    grown_.notify_all();
}

void PacketIndex::Abandon() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    grown_.notify_all();
}

bool PacketIndex::Complete() const {
    std::lock_guard lock(mutex_);
    return complete_;
}

bool PacketIndex::Empty() const {
    std::lock_guard lock(mutex_);
    return presentation_.empty();
}

std::size_t PacketIndex::Count() const {
    std::lock_guard lock(mutex_);
    return presentation_.size();
}

std::int64_t PacketIndex::FirstPts() const {
    std::lock_guard lock(mutex_);
    return presentation_.empty() ? 0 : presentation_.front();
}

std::int64_t PacketIndex::LastPts() const {
    std::lock_guard lock(mutex_);
    return presentation_.empty() ? 0 : presentation_.back();
}

std::int64_t PacketIndex::LastPacketPts() const {
    std::lock_guard lock(mutex_);
    return complete_ ? lastPacketPts_ : expectedLastPacketPts_;
}

std::int64_t PacketIndex::FrameDuration() const {
    std::lock_guard lock(mutex_);
    return complete_ ? frameDuration_ : MedianStepLocked();
}

bool PacketIndex::Covers(std::int64_t pts) const {
    std::lock_guard lock(mutex_);
    return CoversLocked(pts);
}

bool PacketIndex::WaitUntilCovers(std::int64_t pts, const std::function<bool()>& cancelled) const {
    std::unique_lock lock(mutex_);
    return WaitLocked(
        lock, [&] { return stopped_ || CoversLocked(pts); }, cancelled);
}

std::int64_t PacketIndex::Scanned() const {
    std::lock_guard lock(mutex_);
    return scanned_;
}

bool PacketIndex::WaitUntilScanned(std::int64_t offset,
                                   const std::function<bool()>& cancelled) const {
    std::unique_lock lock(mutex_);
    return WaitLocked(
        lock, [&] { return stopped_ || scanned_ >= offset; }, cancelled);
}

std::optional<PacketIndex::ByteRange> PacketIndex::GapAfter(std::int64_t pos) const {
    std::lock_guard lock(mutex_);
    for (const ByteRange& gap : gaps_) {
        if (gap.end > pos) {
            return gap;
        }
    }
    return std::nullopt;
}

std::int64_t PacketIndex::PictureAt(std::int64_t pts) const {
    std::lock_guard lock(mutex_);
    if (presentation_.empty()) {
        return pts;
    }
    auto it = std::upper_bound(presentation_.begin(), presentation_.end(), pts);
    if (it == presentation_.begin()) {
        return presentation_.front();
    }
    return *std::prev(it);
}

std::int64_t PacketIndex::PictureAfter(std::int64_t pts) const {
    std::lock_guard lock(mutex_);
    auto it = std::upper_bound(presentation_.begin(), presentation_.end(), pts);
    return it == presentation_.end() ? pts : *it;
}

std::unique_ptr<const PacketIndex::Entry> PacketIndex::KeyFrameFor(std::int64_t pts,
                                                                   int back) const {
    std::lock_guard lock(mutex_);
    if (keys_.empty()) {
        return nullptr;
    }
    auto it = std::upper_bound(keys_.begin(), keys_.end(), pts,
                               [](std::int64_t value, const Entry& e) { return value < e.pts; });
    std::ptrdiff_t index = std::distance(keys_.begin(), it) - 1;
    index = std::max<std::ptrdiff_t>(0, index - std::max(0, back));
    return std::make_unique<const Entry>(keys_[static_cast<std::size_t>(index)]);
}

bool PacketIndex::CoversLocked(std::int64_t pts) const {
    return complete_ || (coveredBelow_ != kUnknown && pts < coveredBelow_);
}

bool PacketIndex::WaitLocked(std::unique_lock<std::mutex>& lock, const std::function<bool()>& ready,
                             const std::function<bool()>& cancelled) const {
    while (!ready()) {
        if (cancelled && cancelled()) {
            return false;
        }
        grown_.wait_for(lock, kCancelPoll);
    }
    return true;
}

// The median distance between neighbouring pictures; while building, of those in
// so far (a picture still missing makes few steps longer, the median holds).
std::int64_t PacketIndex::MedianStepLocked() const {
    std::vector<std::int64_t> steps;
    for (std::size_t i = 1; i < presentation_.size(); ++i) {
        steps.push_back(presentation_[i] - presentation_[i - 1]);
    }
    if (steps.empty()) {
        return 0;
    }
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    return steps[steps.size() / 2];
}

}  // namespace media
