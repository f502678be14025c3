#include "platform/AutoResetEvent.h"

#include "support/ProcessState.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

TEST(AutoResetEvent, SetBeforeWaitIsKeptForOneWaiterAndResetDropsIt) {
    platform::AutoResetEvent event;
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.WaitFor(10ms));  // reset by the first wait
    event.Set();
    event.Reset();
    EXPECT_FALSE(event.WaitFor(10ms));
}

TEST(AutoResetEvent, WakesAWaitingThread) {
    platform::AutoResetEvent event;
    std::atomic<bool> woken{false};
    std::atomic<pid_t> waiterId{0};
    std::thread waiter([&] {
        waiterId = CurrentThreadId();
        event.Wait();
        woken = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return waiterId != 0 && ThreadIsAsleep(waiterId); }));
    EXPECT_FALSE(woken);
    event.Set();
    waiter.join();
    EXPECT_TRUE(woken);
}

TEST(AutoResetEvent, ExtremeTimeoutsNeitherOverflowNorSkipTheWait) {
    platform::AutoResetEvent event;
    const pid_t self = CurrentThreadId();
    // Set only once this thread sleeps in the wait: a wait that ended at once
    // (the overflow) would miss the signal.
    std::thread setter([&] {
        WaitUntil([&] { return ThreadIsAsleep(self); });
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(std::chrono::milliseconds::max()));
    setter.join();
    EXPECT_FALSE(event.WaitFor(std::chrono::milliseconds::min()));
    event.Set();
    EXPECT_TRUE(event.WaitFor(std::chrono::milliseconds::min()));
}
