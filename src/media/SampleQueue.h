#pragma once

#include "media/MediaSample.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace media {

// A queue between two threads of a graph. Samples of an older generation than the
// graph's current one are dropped on both ends. A bounded queue blocks its producer
// while full; Wake() makes every waiter look at the generation again.
class SampleQueue {
  public:
    // What Peek tells of a waiting sample.
    struct Peeked {
        MediaSample::Kind kind = MediaSample::Kind::EndOfStream;
        REFERENCE_TIME start = 0;
    };

    SampleQueue(const std::atomic<std::uint64_t>& generation, std::size_t maxCount);

    // False when the sample was dropped (stale, or the queue is closed).
    bool Push(MediaSample sample);
    // A current sample, or nothing when the queue was closed or the wait timed out.
    std::optional<MediaSample> Pop(std::chrono::milliseconds timeout);
    // The current sample `index` places from the front, left in the queue; waits as
    // Pop does for it to come.
    std::optional<Peeked> Peek(std::size_t index = 0,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

    void Wake();
    // Drops what waits and every later push; ends every wait.
    void Close();
    bool Closed() const;
    void Clear();

    std::size_t Count() const;
    std::size_t Bytes() const;

  private:
    void DropStaleLocked();
    // Samples of older generations wait only at the front.
    std::size_t StaleCountLocked() const;

    const std::atomic<std::uint64_t>& generation_;
    const std::size_t maxCount_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<MediaSample> samples_;
    std::size_t bytes_ = 0;
    bool closed_ = false;
};

}  // namespace media
