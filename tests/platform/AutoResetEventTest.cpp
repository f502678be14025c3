#include "platform/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

TEST(AutoResetEvent, SetBeforeWaitIsKeptAndResetsAfterOneWaiter) {
    platform::AutoResetEvent event;
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.WaitFor(10ms));  // reset by the first wait
}

TEST(AutoResetEvent, ResetDropsAPendingSignal) {
    platform::AutoResetEvent event;
    event.Set();
    event.Reset();
    EXPECT_FALSE(event.WaitFor(10ms));
}

TEST(AutoResetEvent, WakesAWaitingThread) {
    platform::AutoResetEvent event;
    std::atomic<bool> woken{false};
    std::thread waiter([&] {
        event.Wait();
        woken = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(woken);
    event.Set();
    waiter.join();
    EXPECT_TRUE(woken);
}

TEST(AutoResetEvent, ExtremeTimeoutsNeitherOverflowNorSkipTheWait) {
    platform::AutoResetEvent event;
    std::thread setter([&] {
        std::this_thread::sleep_for(50ms);
        event.Set();
    });
    EXPECT_TRUE(event.WaitFor(std::chrono::milliseconds::max()));
    setter.join();
    EXPECT_FALSE(event.WaitFor(std::chrono::milliseconds::min()));
    event.Set();
    EXPECT_TRUE(event.WaitFor(std::chrono::milliseconds::min()));
}
