#include "platform/Worker.h"

#include "support/DebugCapture.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <future>
#include <string>

using namespace std::chrono_literals;

TEST(Worker, BodyRunsOnAThreadOfItsOwnUnderItsName) {
    std::promise<std::string> name;
    std::promise<std::thread::id> id;
    platform::Worker worker("ombrel-sensor-log-worker", [&](platform::Worker::Control&) {
        char buffer[32] = {};
        ::pthread_getname_np(::pthread_self(), buffer, sizeof buffer);
        name.set_value(buffer);
        id.set_value(std::this_thread::get_id());
    });
    EXPECT_EQ(name.get_future().get(), "ombrel-sensor-l");  // the kernel keeps 15 bytes
    EXPECT_NE(id.get_future().get(), std::this_thread::get_id());
    EXPECT_EQ(worker.Name(), "ombrel-sensor-log-worker");
}

// Background work lowers its own thread's priority to the lowest, no other thread's.
TEST(Worker, LowerPriorityIsTheBodysOwn) {
    const int before = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    std::promise<int> lowered;
    platform::Worker worker("ombrel-background", [&](platform::Worker::Control& control) {
        control.LowerPriority();
        lowered.set_value(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())));
    });
    EXPECT_EQ(lowered.get_future().get(), 19);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), before);
}

TEST(Worker, WakesResetAutomaticallyAndTheStopEndsEveryWait) {
    std::promise<void> go;
    std::promise<std::pair<bool, bool>> firstWaits;
    bool stopSeen = false;
    bool waitAfterStopReturned = false;
    {
        platform::Worker worker("wakes", [&](platform::Worker::Control& control) {
            go.get_future().wait();
            const bool first = control.Wait(0ms);   // the wakes sent before it
            const bool second = control.Wait(0ms);  // reset by the first
            firstWaits.set_value({first, second});
            control.Wait();  // no timeout: only the destructor's stop ends it
            stopSeen = control.StopRequested();
            waitAfterStopReturned = control.Wait(std::chrono::hours(1));
        });
        worker.Wake();
        worker.Wake();
        go.set_value();
        const auto [first, second] = firstWaits.get_future().get();
        EXPECT_TRUE(first);
        EXPECT_FALSE(second);
        EXPECT_FALSE(worker.StopRequested());
    }  // stop flag, signal, join
    EXPECT_TRUE(stopSeen);
    EXPECT_TRUE(waitAfterStopReturned);
}

TEST(Worker, AnExceptionEndsTheBodyAndIsWrittenToTheDebugOutput) {
    DebugCapture capture;
    {
        platform::Worker worker(
            "thrower", [](platform::Worker::Control&) { throw std::runtime_error("disk gone"); });
        worker.Stop();
        worker.Stop();  // idempotent
    }
    EXPECT_TRUE(capture.Contains(QStringLiteral("thrower")));
    EXPECT_TRUE(capture.Contains(QStringLiteral("disk gone")));
}
