#pragma once

#include "media/MediaTypes.h"

#include <chrono>
#include <mutex>

namespace media {

// The graph's clock: a monotonic clock scaled by the rate, frozen while stopped.
class MediaClock {
  public:
    using SteadyTime = std::chrono::steady_clock::time_point;

    REFERENCE_TIME Now() const;
    bool Running() const;
    double Rate() const;

    void Start();
    void Freeze();
    void SetPosition(REFERENCE_TIME position);
    void SetRate(double rate);

    // The moment the running clock reaches `position`.
    SteadyTime DueTime(REFERENCE_TIME position) const;

  private:
    REFERENCE_TIME NowLocked(SteadyTime now) const;

    mutable std::mutex mutex_;
    REFERENCE_TIME anchorPosition_ = 0;
    SteadyTime anchorTime_{};
    double rate_ = 1.0;
    bool running_ = false;
};

}  // namespace media
