#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// An event that wakes one waiter and resets itself when that waiter returns.
// A Set with no waiter is kept until the next Wait.
class AutoResetEvent {
  public:
    void Set();
    void Reset();
    void Wait();
    // True when the event was set within the timeout.
    bool WaitFor(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

}  // namespace platform
