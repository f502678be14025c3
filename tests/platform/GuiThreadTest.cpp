#include "platform/GuiThread.h"

#include "platform/Worker.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Call {
    int order;
    bool onGuiThread;
};

}  // namespace

TEST(GuiThread, OnTheGuiThreadTheWorkRunsAtOnce) {
    QObject context;
    bool ran = false;
    EXPECT_TRUE(platform::IsGuiThread());
    platform::RunOnGuiThread(&context, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(GuiThread, FromAWorkerTheWorkIsQueuedToTheGuiThreadInOrder) {
    QObject context;
    std::vector<Call> calls;
    bool workerWasGuiThread = true;
    {
        platform::Worker worker("queues", [&](platform::Worker::Control&) {
            workerWasGuiThread = platform::IsGuiThread();
            for (int i = 0; i < 3; ++i) {
                platform::RunOnGuiThread(i == 1 ? nullptr : &context, [&, i] {
                    calls.push_back({i, platform::IsGuiThread()});
                });
            }
        });
    }
    EXPECT_FALSE(workerWasGuiThread);
    EXPECT_TRUE(calls.empty());  // nothing before the event loop runs
    QCoreApplication::processEvents();
    ASSERT_EQ(calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].order, i);
        EXPECT_TRUE(calls[i].onGuiThread);
    }
}

TEST(GuiThread, QueuedWorkIsDroppedWhenItsContextIsGone) {
    auto context = std::make_unique<QObject>();
    bool ran = false;
    {
        platform::Worker worker("drops", [&](platform::Worker::Control&) {
            platform::RunOnGuiThread(context.get(), [&] { ran = true; });
        });
    }
    context.reset();
    QCoreApplication::processEvents();  // must not run work for the freed context
    EXPECT_FALSE(ran);
}
