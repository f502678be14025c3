#pragma once

#include "platform/AutoResetEvent.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace platform {

// The one way the program starts a thread: a named thread (the name shows in a
// debugger and in `top -H`) with a wake event of auto-reset semantics and a stop
// request. The destructor stops it the program's way: stop flag, signal, join.
//
// The thread starts in the constructor, so an owner declares its Worker after
// everything the body uses: it is then built last and joined first. What the body
// throws is written to the debug output and ends the thread; nothing escapes it.
class Worker {
  public:
    // What the body sees of its worker; used only on the worker's own thread.
    class Control {
      public:
        // Waits until woken or until a stop is requested; false when the timeout
        // ran out first. A wake is consumed by the wait it ends; once a stop is
        // requested every wait returns at once.
        bool Wait(std::chrono::milliseconds timeout);
        void Wait();
        bool StopRequested() const;
        // Lets the program's other threads go first on busy processors: for
        // background work that nobody waits for most of the time.
        void LowerPriority();

      private:
        friend class Worker;
        explicit Control(Worker& worker) : worker_(worker) {}
        Worker& worker_;
    };
    using Body = std::function<void(Control& control)>;

    // Starts the thread. Linux keeps the first 15 bytes of the name.
    Worker(std::string name, Body body);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Any thread. A wake with no one waiting is kept for the next wait; wakes
    // before that wait count as one.
    void Wake();
    // Any thread: sets the stop request and wakes the body; does not wait for it.
    void RequestStop();
    bool StopRequested() const { return stop_.load(); }
    // Stop request, wake, join; idempotent. Never from the body itself.
    void Stop();

    const std::string& Name() const { return name_; }

  private:
    void Main();

    const std::string name_;
    Body body_;
    AutoResetEvent wakeEvent_;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: started once the rest is built
};

}  // namespace platform
