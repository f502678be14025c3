// The chart's render thread, alone and in the chart; the sanitizer builds run these.
#include "support/DebugCapture.h"
#include "support/DemoMergedLog.h"
#include "support/WaitUntil.h"
#include "views/ChartFrame.h"
#include "views/ChartRenderThread.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace views;

namespace {

ChartRenderInput Input(double timeStart, std::shared_ptr<const SensorLog> log = nullptr,
                       QSize size = {854, 254}) {
    ChartRenderInput input;
    input.log = std::move(log);
    input.view.timeStart = timeStart;
    input.view.timeEnd = timeStart + 60000;
    input.settings = ChartSettings::Defaults();
    input.settings.visible = 0x3FF;
    input.size = size;
    return input;
}

// Holds the render thread in its picture callback until released.
class Gate {
  public:
    void Pass() {
        std::unique_lock lock(mutex_);
        ++arrived_;
        condition_.wait(lock, [this] { return open_; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        condition_.notify_all();
    }
    int Arrived() {
        std::lock_guard lock(mutex_);
        return arrived_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool open_ = false;
    int arrived_ = 0;
};

// A merged log of a demo drive of two one-minute recordings.
class ChartThreadsOnADrive : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(demo.Load(folder.path(), 2, 60, &error)) << error.toStdString();
    }
    QTemporaryDir folder;
    DemoMergedLog demo;
    QString error;
};

}  // namespace

TEST(ChartThreads, RequestsDuringAPassCoalesceIntoOneWithTheNewestInputs) {
    Gate gate;
    ChartRenderThread thread([&] { gate.Pass(); });
    EXPECT_EQ(thread.RequestRedraw(Input(0)), 1);
    ASSERT_TRUE(WaitUntil([&] { return gate.Arrived() == 1; }));
    EXPECT_EQ(thread.Front().plot.view.timeStart, 0);
    for (int i = 1; i <= 50; ++i) {
        thread.RequestRedraw(Input(i * 1000.0));
    }
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return thread.PictureCount() == 2; }));
    EXPECT_EQ(thread.Front().request, 51);
    EXPECT_EQ(thread.Front().plot.view.timeStart, 50000);
    // One more request is one more picture: the fifty above made exactly one.
    const int last = thread.RequestRedraw(Input(99000, nullptr, {900, 300}));
    ASSERT_TRUE(WaitUntil([&] { return thread.Front().request == last; }));
    EXPECT_EQ(thread.PictureCount(), 3);
    const ChartPicture picture = thread.Front();
    EXPECT_EQ(picture.plot.width, 900 - 210 - 40);
    EXPECT_EQ(picture.image.size(), QSize(900, 300));
}

TEST_F(ChartThreadsOnADrive, PassesDrawFromSnapshotsWhileTheLogsAreMergedAgain) {
    const FileItemList items = demo.Logs().PlayList();
    ChartRenderThread thread(nullptr);
    for (int round = 1; round <= 50; ++round) {
        const int request = thread.RequestRedraw(Input(round, demo.Logs().Snapshot(), {1920, 600}));
        // A new list reallocates the merged log and publishes a new snapshot while
        // the pass draws from the old one, which lives as long as the pass holds it.
        demo.Logs().SetFileList(round % 2 == 0 ? FileItemList{items[1]} : items);
        ASSERT_TRUE(WaitUntil([&] { return thread.Front().request == request; }));
    }
    EXPECT_EQ(thread.PictureCount(), 50);
    EXPECT_EQ(demo.Logs().Snapshot()->count, 300u);
}

TEST_F(ChartThreadsOnADrive, DestroyingTheThreadMidPassEndsThePassFirst) {
    std::atomic<bool> destroyed{false};
    std::atomic<int> late{0};
    for (int round = 0; round < 10; ++round) {
        destroyed = false;
        {
            std::atomic<int> pictures{0};
            ChartRenderThread thread([&] {
                ++pictures;
                late += destroyed.load() ? 1 : 0;
            });
            thread.RequestRedraw(Input(0, demo.Logs().Snapshot(), {3000, 1200}));
            ASSERT_TRUE(WaitUntil([&] { return pictures.load() == 1; }));
            // The second pass is under way, or about to start, when the thread goes.
            thread.RequestRedraw(Input(1000, demo.Logs().Snapshot(), {3000, 1200}));
        }
        destroyed = true;
    }
    EXPECT_EQ(late.load(), 0);
}

TEST_F(ChartThreadsOnADrive, DestroyingTheChartWhilePassesRunDropsTheirPictures) {
    DebugCapture capture;
    QWidget owner;
    owner.resize(1920, 600);
    for (int round = 0; round < 10; ++round) {
        auto* chart = new TGraphChart(&owner);
        chart->resize(1920, 600);
        chart->SetLogManagement(&demo.Logs());
        chart->ResetTimeRange();
        chart->RefreshData();
        if (round % 2 == 1) {
            ASSERT_TRUE(WaitUntil([&] { return chart->PictureCurrent(); }));
            chart->RequestRedraw();
        }
        delete chart;
        QApplication::processEvents();  // a queued picture of the chart is dropped
    }
    EXPECT_TRUE(owner.findChildren<TGraphChart*>().isEmpty());
    EXPECT_FALSE(capture.Contains(QStringLiteral("Worker")));
    EXPECT_FALSE(capture.Contains(QStringLiteral("Exception")));
}
