#pragma once

#include <cstdint>
#include <vector>

namespace media {

// The video packets of a file, built by one pass at open: time stamps, byte
// positions and key flags. Seeks use it to start at the right key frame and to
// know which picture a position shows.
class PacketIndex {
  public:
    struct Entry {
        std::int64_t pts = 0;
        std::int64_t pos = -1;
        bool key = false;
    };

    void Add(const Entry& entry);
    void Finish();

    bool Empty() const { return presentation_.empty(); }
    std::size_t Count() const { return presentation_.size(); }
    std::int64_t FirstPts() const;
    std::int64_t LastPts() const;
    // The time stamp of the last packet in file order.
    std::int64_t LastPacketPts() const { return lastPacketPts_; }
    // The usual distance between two pictures.
    std::int64_t FrameDuration() const { return frameDuration_; }

    // The picture shown at `pts`: the latest one at or before it (the first when none).
    std::int64_t PictureAt(std::int64_t pts) const;
    // The picture after the one at `pts`, or `pts` itself when it is the last.
    std::int64_t PictureAfter(std::int64_t pts) const;
    // The key frame at or before `pts`, `back` key frames earlier still (never before
    // the first); null when the file has no key frame.
    const Entry* KeyFrameFor(std::int64_t pts, int back) const;

  private:
    std::vector<Entry> keys_;
    std::vector<std::int64_t> presentation_;
    std::int64_t lastPacketPts_ = 0;
    std::int64_t frameDuration_ = 0;
};

}  // namespace media
