#include "PacketIndex.h"

#include <algorithm>

namespace media {

void PacketIndex::Add(const Entry& entry) {
    presentation_.push_back(entry.pts);
    lastPacketPts_ = entry.pts;
    if (entry.key) {
        keys_.push_back(entry);
    }
}

void PacketIndex::Finish() {
    std::sort(presentation_.begin(), presentation_.end());
    presentation_.erase(std::unique(presentation_.begin(), presentation_.end()),
                        presentation_.end());
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const Entry& a, const Entry& b) { return a.pts < b.pts; });
    std::vector<std::int64_t> steps;
    for (std::size_t i = 1; i < presentation_.size(); ++i) {
        steps.push_back(presentation_[i] - presentation_[i - 1]);
    }
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
        frameDuration_ = steps[steps.size() / 2];
    }
}

std::int64_t PacketIndex::FirstPts() const {
    return presentation_.empty() ? 0 : presentation_.front();
}

std::int64_t PacketIndex::LastPts() const {
    return presentation_.empty() ? 0 : presentation_.back();
}

std::int64_t PacketIndex::PictureAt(std::int64_t pts) const {
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
    auto it = std::upper_bound(presentation_.begin(), presentation_.end(), pts);
    return it == presentation_.end() ? pts : *it;
}

const PacketIndex::Entry* PacketIndex::KeyFrameFor(std::int64_t pts, int back) const {
    if (keys_.empty()) {
        return nullptr;
    }
    auto it = std::upper_bound(keys_.begin(), keys_.end(), pts,
                               [](std::int64_t value, const Entry& e) { return value < e.pts; });
    std::ptrdiff_t index = std::distance(keys_.begin(), it) - 1;
    index = std::max<std::ptrdiff_t>(0, index - std::max(0, back));
    return &keys_[static_cast<std::size_t>(index)];
}

}  // namespace media
