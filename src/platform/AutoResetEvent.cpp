#include "AutoResetEvent.h"

#include <algorithm>

namespace platform {

void AutoResetEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_one();
}

void AutoResetEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

void AutoResetEvent::Wait() {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
}

bool AutoResetEvent::WaitFor(std::chrono::milliseconds timeout) {
    // The clock's nanosecond arithmetic overflows on extreme timeouts (a "wait
    // forever" would time out at once); a century is forever enough.
    constexpr std::chrono::milliseconds kLongest = std::chrono::hours(24 * 365 * 100);
    const auto bounded = std::clamp(timeout, std::chrono::milliseconds(0), kLongest);
    std::unique_lock lock(mutex_);
    if (!condition_.wait_for(lock, bounded, [this] { return signalled_; })) {
        return false;
    }
    signalled_ = false;
    return true;
}

}  // namespace platform
