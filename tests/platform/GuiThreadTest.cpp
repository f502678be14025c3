#include "platform/GuiThread.h"

#include "platform/Worker.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QObject>
#include <QWidget>

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

namespace {

class PaintCounter : public QWidget {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

TEST(GuiThread, AWorkersUpdateRepaintsTheWidgetOnTheGuiThread) {
    auto widget = std::make_unique<PaintCounter>();
    widget->resize(40, 30);
    widget->show();
    ASSERT_TRUE(WaitUntil([&] { return widget->paints > 0; }));
    const int before = widget->paints;
    {
        platform::Worker worker("updates", [&](platform::Worker::Control&) {
            platform::UpdateOnGuiThread(widget.get());
        });
    }
    EXPECT_EQ(widget->paints, before);  // nothing before the event loop runs
    EXPECT_TRUE(WaitUntil([&] { return widget->paints > before; }));

    // Queued for a widget that goes first: dropped.
    {
        platform::Worker worker("updates", [&](platform::Worker::Control&) {
            platform::UpdateOnGuiThread(widget.get());
        });
    }
    widget.reset();
    QCoreApplication::processEvents();
    platform::UpdateOnGuiThread(nullptr);
}
