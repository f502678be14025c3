#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "recordings/LogManagement.h"
#include "support/DebugCapture.h"
#include "support/ProcessState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>

#include <atomic>
#include <future>
#include <thread>

using namespace recordings;

using tsrec::TsRecordingSpec;

namespace {

// Stands in for the main window: counts the messages, merges on every WM_LOG_LOADED.
class LogWindow : public QObject {
  public:
    TLogManagement* manager = nullptr;
    int loaded = 0;
    int merged = 0;

  protected:
    bool event(QEvent* event) override {
        const bool isLoaded = platform::WindowMessage::From(event, WM_LOG_LOADED) != nullptr;
        const bool isMerged = platform::WindowMessage::From(event, WM_LOG_MERGED) != nullptr;
        loaded += isLoaded ? 1 : 0;
        merged += isMerged ? 1 : 0;
        if (isLoaded && manager != nullptr) {
            manager->MergeLogs();
        }
        return isLoaded || isMerged || QObject::event(event);
    }
};

// The plain drive with the battery at 13.6 V.
tsrec::TsLogSample Charging(int index, const TsRecordingSpec& spec) {
    tsrec::TsLogSample sample = tsrec::DefaultLogSample(index, spec);
    sample.batteryWhole = 13;
    return sample;
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

    // Waits until the whole play list is read and merged.
    bool MergeEnds() {
        return WaitUntil([this] {
            std::uint32_t count = 0;
            for (TFileItem* item : manager->PlayList()) {
                const std::int32_t state = item->logState.load();
                if (state != LOG_READ && state != LOG_FAILED) {
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
    ASSERT_TRUE(WaitUntil([this] { return window.merged > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.merged, 1);
    EXPECT_EQ(window.loaded, 0);
}

TEST_F(LogManagementTest, FailingMiddleFileKeepsTheTimeLine) {
    // The middle file's log fails: its file is gone, or it is of a type without a reader.
    for (const bool removed : {true, false}) {
        SCOPED_TRACE(removed ? "removed" : "MP4");
        ItemRef a = Probe(removed ? "a1.ts" : "a2.ts");  // 2 s, 1.96 s from first to last PCR
        ItemRef b = Probe(removed ? "b1.ts" : "b2.ts", {.durationSeconds = 3});
        ItemRef c =
            Probe(removed ? "c1.ts" : "c2.ts", {.durationSeconds = 1, .logSample = Charging});
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
        Stop();
    }
}

TEST_F(LogManagementTest, NewListWhileTheWorkerReads) {
    ItemRef a = Probe("a.ts");
    ItemRef b = Probe("b.ts");
    ItemRef c = Probe("c.ts", {.durationSeconds = 1});
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loadedBefore = window.loaded;

    // b's read fails: the worker's exception line is held until the gate opens.
    ASSERT_TRUE(QFile::remove(b->path));
    std::atomic<bool> held{false};
    std::promise<void> gate;
    const std::shared_future<void> opened = gate.get_future().share();
    const TraceOn traceOn;
    auto previous = platform::DebugOutput::SetSink([&](const QString&) {
        held = true;
        opened.wait();
    });
    {
        const auto restore = qScopeGuard([&] {
            gate.set_value();
            platform::DebugOutput::SetSink(std::move(previous));
        });
        logs.SetFileList({b.get()});
        ASSERT_TRUE(WaitUntil([&] { return held.load(); }));  // in b's read
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

TEST_F(LogManagementTest, ReadItemsAreMergedAtOnceWhileSnapshotsAreRead) {
    ItemRef a = Probe("a.ts");
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loaded = window.loaded;
    const std::shared_ptr<const SensorLog> first = logs.Snapshot();
    // Another thread reads every snapshot the merges publish.
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done.load()) {
            const std::shared_ptr<const SensorLog> log = logs.Snapshot();
            std::uint64_t sum = 0;
            for (std::uint32_t i = 0; i < log->count; ++i) {
                sum += log->time[i];
            }
            bad += log->count > log->capacity || (log->count > 0 && sum == 0) ? 1 : 0;
        }
    });
    // The play list holds the only reference: a new list references the item
    // before the old one lets it go.
    TFileItem* only = a.release();
    EXPECT_EQ(only->Release(), 1);
    for (int round = 0; round < 100; ++round) {
        logs.SetFileList(round % 2 == 0 ? FileItemList{only, only} : FileItemList{only});
        EXPECT_EQ(logs.MergedLog().count, round % 2 == 0 ? 20u : 10u);
    }
    EXPECT_EQ(logs.MergedLog().time[10], 1960u);
    done.store(true);
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.loaded, loaded);  // no new read
    // An earlier snapshot stays as it was.
    logs.SetFileList({});
    EXPECT_EQ(logs.Snapshot()->count, 0u);
    EXPECT_EQ(first->count, 10u);
    EXPECT_EQ(first->time[9], 1800u);
}

TEST_F(LogManagementTest, MergedLogGrowsAndIsRebuilt) {
    ItemRef x = Probe("x.ts", {.logSampleCount = 5000});
    ItemRef y = Probe("y.ts", {.logSampleCount = 600});
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

TEST_F(LogManagementTest, ShutdownWhileIdleAndWhileDecodingReturnsEveryReference) {
    ItemRef a = Probe("a.ts");
    ItemRef b = Probe("b.ts");
    Start();
    Stop();  // idle worker, nothing held
    Start().SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    Stop();
    EXPECT_EQ(a.release()->Release(), 0);
    // Grown to the size limit with zeros and read 4 packets at a time, b's decode
    // takes seconds; the stop ends it at the next block.
    Resize(b->path, kMaxRecordingSize);
    Start(SmallBlocks(4)).SetFileList({b.get()});
    ASSERT_TRUE(WaitUntil([&] { return FileIsOpen(b->path); }));  // the worker decodes b
    QElapsedTimer timer;
    timer.start();
    Stop();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(b->logState.load(), LOG_READING);  // cut short, never finished
    EXPECT_EQ(b.release()->Release(), 0);
}

TEST_F(LogManagementTest, SizeLimitOfTheReader) {
    ItemRef a = Probe("a.ts");
    Resize(a->path, kMaxRecordingSize + 1);
    platform::MessageBox::ClearRecorded();
    Start().SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(a->logState.load(), LOG_FAILED);
    ExpectSizeBoxShown(true);
}
