#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "recordings/LogManagement.h"
#include "support/DebugCapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using tsrec::TsRecordingSpec;

namespace {

// Stands in for the main window: merges on every WM_LOG_LOADED.
class LogWindow : public QObject {
  public:
    TLogManagement* manager = nullptr;
    int loaded = 0;
    int merged = 0;

  protected:
    bool event(QEvent* event) override {
        if (platform::WindowMessage::From(event, WM_LOG_LOADED) != nullptr) {
            ++loaded;
            if (manager != nullptr) {
                manager->MergeLogs();
            }
            return true;
        }
        if (platform::WindowMessage::From(event, WM_LOG_MERGED) != nullptr) {
            ++merged;
            return true;
        }
        return QObject::event(event);
    }
};

// Holds the worker inside the next debug line it writes (the exception line of a
// failed read, written before the item is done) until Open().
class WorkerLineGate {
  public:
    WorkerLineGate() {
        previous_ = platform::DebugOutput::SetSink([this](const QString&) {
            std::unique_lock lock(mutex_);
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return open_; });
        });
    }
    ~WorkerLineGate() {
        Open();
        platform::DebugOutput::SetSink(std::move(previous_));
    }
    bool WaitHeld() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return held_; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool open_ = false;
    platform::DebugOutput::Sink previous_;
};

bool IsDone(const TFileItem* item) {
    const std::int32_t state = item->logState.load();
    return state == LOG_READ || state == LOG_FAILED;
}

class LogManagementTest : public RecordingTest {
  protected:
    void TearDown() override { Stop(); }

    TLogManagement& Start(const RecordingReadLimits& limits = {}) {
        window.loaded = window.merged = 0;
        manager = std::make_unique<TLogManagement>(&window, limits);
        window.manager = manager.get();
        return *manager;
    }

    void Stop() {
        window.manager = nullptr;
        manager.reset();
        QCoreApplication::processEvents();  // what the worker posted last
    }

    // A recording of `seconds` of the plain drive at `volts` V, probed.
    ItemRef Drive(const char* name, double seconds, std::uint8_t volts = 12) {
        return ProbeItem(WriteWith(name, [=](TsRecordingSpec& spec) {
            spec.durationSeconds = seconds;
            spec.logSample = [volts](int index, const TsRecordingSpec& s) {
                tsrec::TsLogSample sample = tsrec::DefaultLogSample(index, s);
                sample.batteryWhole = volts;
                return sample;
            };
        }));
    }

    // Waits until the whole play list is read and merged.
    bool MergeEnds() {
        return ProcessEventsUntil([this] {
            std::uint32_t count = 0;
            for (TFileItem* item : manager->PlayList()) {
                if (!IsDone(item)) {
                    return false;
                }
                count += item->log.count;
            }
            return manager->MergedLog().count == count;
        });
    }

    LogWindow window;
    std::unique_ptr<TLogManagement> manager;
};

}  // namespace

TEST_F(LogManagementTest, EmptyPlayList) {
    TLogManagement& logs = Start();
    EXPECT_EQ(logs.MergedLog().capacity, kMergedLogStartCapacity);
    logs.SetFileList({});
    EXPECT_EQ(logs.Total(), 0.0);
    EXPECT_EQ(logs.MergedLog().count, 0u);
    EXPECT_TRUE(logs.StartOffsets().empty());
    EXPECT_EQ(logs.Snapshot()->count, 0u);
    ASSERT_TRUE(ProcessEventsUntil([this] { return window.merged > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.merged, 1);
    EXPECT_EQ(window.loaded, 0);
}

TEST_F(LogManagementTest, FailingMiddleFileKeepsTheTimeLine) {
    // The middle file's log fails: its file is gone, or it is of a type without a reader.
    for (const bool removed : {true, false}) {
        SCOPED_TRACE(removed ? "removed" : "MP4");
        ItemRef a = Drive(removed ? "a1.ts" : "a2.ts", 2.0);
        ItemRef b = Drive(removed ? "b1.ts" : "b2.ts", 3.0);
        ItemRef c = Drive(removed ? "c1.ts" : "c2.ts", 1.0, 13);
        if (removed) {
            ASSERT_TRUE(QFile::remove(b->path));
        } else {
            b->fileType = FILE_TYPE_MP4;
        }
        DebugCapture capture;
        TLogManagement& logs = Start();
        logs.SetFileList({a.get(), b.get(), c.get()});
        EXPECT_DOUBLE_EQ(logs.Total(), (1.96 + 2.96 + 0.96) * 1000);
        EXPECT_EQ(logs.StartOffsets(), (std::vector<double>{0.0, 1960.0, 1960.0 + 2960.0}));
        ASSERT_TRUE(MergeEnds());
        EXPECT_EQ(a->logState.load(), LOG_READ);
        EXPECT_EQ(b->logState.load(), LOG_FAILED);
        EXPECT_EQ(b->log.count, 0u);
        EXPECT_EQ(c->logState.load(), LOG_READ);
        EXPECT_EQ(window.loaded, 3);
        EXPECT_EQ(capture.Contains(QStringLiteral("Function:TLogManagement::ReadLog")), removed);
        EXPECT_EQ(capture.Contains(QStringLiteral("Exception:Open fil Error")), removed);

        const SensorLog& merged = logs.MergedLog();
        ASSERT_EQ(merged.count, 10u + 5u);
        EXPECT_EQ(merged.time[9], 1800u);
        EXPECT_EQ(merged.time[10], 4920u);  // the third file starts behind both others
        EXPECT_EQ(merged.time[14], 4920u + 800u);
        // Extremes over all files; a minimum never rises above 0.
        EXPECT_FLOAT_EQ(merged.batteryMax, 13.6f);
        EXPECT_FLOAT_EQ(merged.batteryMin, 0.0f);
        EXPECT_FLOAT_EQ(merged.coolantMax, 85.0f);
        EXPECT_FLOAT_EQ(merged.speedMax, 50.9f);
        const auto snapshot = logs.Snapshot();
        ASSERT_EQ(snapshot->count, 15u);
        EXPECT_EQ(snapshot->time[10], 4920u);
        Stop();
    }
}

TEST_F(LogManagementTest, NewListWhileTheWorkerReads) {
    ItemRef a = Drive("a.ts", 2.0);
    ItemRef b = Drive("b.ts", 2.0);
    ItemRef c = Drive("c.ts", 1.0);
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loadedBefore = window.loaded;

    ASSERT_TRUE(QFile::remove(b->path));  // b's read fails with a line that the gate holds
    {
        WorkerLineGate gate;
        logs.SetFileList({b.get()});
        ASSERT_TRUE(gate.WaitHeld());  // the worker is inside b's read
        logs.SetFileList({a.get(), c.get()});
        // a was read: merged at once. The walk stops at c while b is in work.
        EXPECT_EQ(logs.MergedLog().count, a->log.count);
        EXPECT_EQ(b->logState.load(), LOG_READING);
        EXPECT_EQ(c->logState.load(), LOG_NOT_READ);
    }
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(b->logState.load(), LOG_FAILED);
    EXPECT_EQ(c->logState.load(), LOG_READ);
    EXPECT_EQ(window.loaded, loadedBefore + 2);
    ASSERT_EQ(logs.MergedLog().count, 10u + 5u);
    EXPECT_EQ(logs.MergedLog().time[10], 1960u);
}

TEST_F(LogManagementTest, ReadItemsAreMergedWithoutANewRead) {
    ItemRef a = Drive("a.ts", 2.0);
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loaded = window.loaded;
    const std::shared_ptr<const SensorLog> first = logs.Snapshot();

    // The play list holds the only reference: the new list references the item
    // before the old one lets it go.
    TFileItem* only = a.release();
    EXPECT_EQ(only->Release(), 1);
    logs.SetFileList({only, only});
    EXPECT_EQ(logs.MergedLog().count, 20u);
    EXPECT_EQ(logs.MergedLog().time[10], 1960u);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.loaded, loaded);

    // An earlier snapshot stays as it was.
    EXPECT_EQ(logs.Snapshot()->count, 20u);
    logs.SetFileList({});
    EXPECT_EQ(logs.Snapshot()->count, 0u);
    EXPECT_EQ(first->count, 10u);
    EXPECT_EQ(first->time[9], 1800u);
}

TEST_F(LogManagementTest, MergedLogGrowsAndIsRebuilt) {
    ItemRef x = ProbeItem(WriteWith("x.ts", [](TsRecordingSpec& s) { s.logSampleCount = 5000; }));
    ItemRef y = ProbeItem(WriteWith("y.ts", [](TsRecordingSpec& s) { s.logSampleCount = 600; }));
    DebugCapture capture;
    TLogManagement& logs = Start();
    logs.SetFileList({x.get(), y.get()});
    ASSERT_TRUE(MergeEnds());
    const SensorLog& merged = logs.MergedLog();
    EXPECT_EQ(merged.capacity, 5400u + 4 * 600u);
    ASSERT_EQ(merged.count, 5600u);
    EXPECT_TRUE(capture.Contains(QStringLiteral("Realloc memory")));
    EXPECT_EQ(merged.time[4999], 4999u * 200u);
    EXPECT_EQ(merged.time[5000], 1960u);  // y's times shifted by x's duration
    EXPECT_EQ(merged.time[5599], 1960u + 599u * 200u);
    EXPECT_FLOAT_EQ(merged.batteryMax, 12.6f);
}

TEST_F(LogManagementTest, SnapshotsAreSafeToReadFromAnotherThread) {
    ItemRef a = Drive("a.ts", 2.0);
    ItemRef b = Drive("b.ts", 2.0, 14);
    TLogManagement& logs = Start();
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::shared_ptr<const SensorLog> log = logs.Snapshot();
            std::uint64_t sum = 0;
            for (std::uint32_t i = 0; i < log->count; ++i) {
                sum += log->time[i];
            }
            if (log->count > log->capacity || (log->count > 0 && sum == 0)) {
                ++bad;
            }
        }
    });
    for (int round = 0; round < 20; ++round) {
        logs.SetFileList(round % 2 == 0 ? FileItemList{a.get(), b.get()} : FileItemList{b.get()});
        ASSERT_TRUE(MergeEnds());
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST_F(LogManagementTest, ShutdownWhileIdleReturnsEveryReference) {
    ItemRef a = Drive("a.ts", 2.0);
    Start();
    Stop();  // idle worker, nothing held
    Start().SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    Stop();
    EXPECT_EQ(a.release()->Release(), 0);
}

TEST_F(LogManagementTest, ShutdownWhileDecodingStopsBetweenBlocks) {
    ItemRef a = Drive("a.ts", 2.0);
    // Grown to the size limit with zeros and read 4 packets at a time, a decode
    // takes seconds; the stop ends it at the next block.
    Resize(a->path, kMaxRecordingSize);
    Start(SmallBlocks(4)).SetFileList({a.get()});
    QThread::msleep(100);
    QElapsedTimer timer;
    timer.start();
    Stop();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(a->logState.load(), LOG_READING);  // cut short, never finished
    EXPECT_EQ(a.release()->Release(), 0);
}

TEST_F(LogManagementTest, SizeLimitOfTheReader) {
    ItemRef a = Drive("a.ts", 2.0);
    Resize(a->path, kMaxRecordingSize + 1);
    platform::MessageBox::ClearRecorded();
    Start().SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(a->logState.load(), LOG_FAILED);
    ExpectSizeBoxShown(true);
}
