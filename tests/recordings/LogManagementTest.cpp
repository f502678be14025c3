#include "RecordingFixture.h"

#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "recordings/LogManagement.h"
#include "support/DebugCapture.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <thread>

using tsrec::TsLogSample;
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

bool IsDone(const TFileItem& item) {
    const std::int32_t state = item.logState.load();
    return state == LOG_READ || state == LOG_FAILED;
}

TsRecordingSpec Drive(double seconds, std::uint8_t batteryWhole) {
    TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    spec.logSample = [batteryWhole](int index, const TsRecordingSpec& s) {
        TsLogSample sample = tsrec::DefaultLogSample(index, s);
        sample.batteryWhole = batteryWhole;
        return sample;
    };
    return spec;
}

class LogManagementTest : public RecordingTest {
  protected:
    void TearDown() override {
        window.manager = nullptr;
        manager.reset();
    }

    TLogManagement& Start(const RecordingReadLimits& limits = {}) {
        manager = std::make_unique<TLogManagement>(&window, limits);
        window.manager = manager.get();
        return *manager;
    }

    void Stop() {
        window.manager = nullptr;
        manager.reset();
    }

    // Waits until the whole play list is merged.
    bool MergeEnds() {
        return ProcessEventsUntil([this] {
            for (TFileItem* item : manager->PlayList()) {
                if (!IsDone(*item)) {
                    return false;
                }
            }
            std::uint32_t count = 0;
            for (TFileItem* item : manager->PlayList()) {
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
    ProcessEventsUntil([this] { return window.merged > 0; });
    QCoreApplication::processEvents();
    EXPECT_EQ(window.merged, 1);
    EXPECT_EQ(window.loaded, 0);
}

TEST_F(LogManagementTest, FailingMiddleFileKeepsTheTimeLine) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    ItemRef b = ProbeItem(Write(QStringLiteral("b.ts"), Drive(3.0, 12)));
    ItemRef c = ProbeItem(Write(QStringLiteral("c.ts"), Drive(1.0, 13)));
    ASSERT_TRUE(QFile::remove(b->path));  // its log cannot be read any more
    DebugCapture capture;
    TLogManagement& logs = Start();
    logs.SetFileList({a.get(), b.get(), c.get()});
    EXPECT_DOUBLE_EQ(logs.Total(), (1.96 + 2.96 + 0.96) * 1000);
    ASSERT_EQ(logs.StartOffsets().size(), 3u);
    EXPECT_DOUBLE_EQ(logs.StartOffsets()[1], 1960.0);
    EXPECT_DOUBLE_EQ(logs.StartOffsets()[2], 1960.0 + 2960.0);
    ASSERT_TRUE(MergeEnds());

    EXPECT_EQ(a->logState.load(), LOG_READ);
    EXPECT_EQ(b->logState.load(), LOG_FAILED);
    EXPECT_EQ(c->logState.load(), LOG_READ);
    EXPECT_EQ(window.loaded, 3);
    EXPECT_TRUE(capture.Contains(QStringLiteral("Function:TLogManagement::ReadLog")));
    EXPECT_TRUE(capture.Contains(QStringLiteral("Exception:Open fil Error")));

    const SensorLog& merged = logs.MergedLog();
    ASSERT_EQ(merged.count, 10u + 5u);
    EXPECT_EQ(merged.time[0], 0u);
    EXPECT_EQ(merged.time[9], 1800u);
    EXPECT_EQ(merged.time[10], 4920u);  // the third file starts behind both others
    EXPECT_EQ(merged.time[14], 4920u + 800u);
    // Extremes over all files; a minimum never rises above 0.
    EXPECT_FLOAT_EQ(merged.batteryMax, 13.6f);
    EXPECT_FLOAT_EQ(merged.batteryMin, 0.0f);
    EXPECT_FLOAT_EQ(merged.coolantMax, 85.0f);
    EXPECT_FLOAT_EQ(merged.speedMax, 50.9f);

    const auto snapshot = logs.Snapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->count, 15u);
    EXPECT_EQ(snapshot->time[10], 4920u);
}

TEST_F(LogManagementTest, NewListWhileTheWorkerReads) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    ItemRef b = ProbeItem(Write(QStringLiteral("b.ts"), Drive(2.0, 12)));
    ItemRef c = ProbeItem(Write(QStringLiteral("c.ts"), Drive(1.0, 12)));
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loadedBefore = window.loaded;

    // b's file becomes a pipe: the worker's open waits until this test opens the
    // other end, so b is in work for as long as the test wants.
    const QByteArray pipe = b->path.toLocal8Bit();
    ASSERT_TRUE(QFile::remove(b->path));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    logs.SetFileList({b.get()});
    EXPECT_EQ(b->logState.load(), LOG_READING);

    logs.SetFileList({a.get(), c.get()});
    // a was read: merged at once. The walk stops at c while b is in work.
    EXPECT_EQ(logs.MergedLog().count, a->log.count);
    EXPECT_EQ(c->logState.load(), LOG_NOT_READ);

    const int writer = ::open(pipe.constData(), O_WRONLY);  // lets b's read go on
    ASSERT_GE(writer, 0);
    ::close(writer);
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(b->logState.load(), LOG_FAILED);  // a pipe cannot be read by position
    EXPECT_EQ(c->logState.load(), LOG_READ);
    EXPECT_EQ(window.loaded, loadedBefore + 2);
    ASSERT_EQ(logs.MergedLog().count, 10u + 5u);
    EXPECT_EQ(logs.MergedLog().time[10], 1960u);
}

TEST_F(LogManagementTest, ReadItemsAreMergedWithoutANewRead) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    const int loaded = window.loaded;
    const std::shared_ptr<const SensorLog> first = logs.Snapshot();

    logs.SetFileList({a.get(), a.get()});
    EXPECT_EQ(logs.MergedLog().count, 20u);
    EXPECT_EQ(logs.MergedLog().time[10], 1960u);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.loaded, loaded);

    // An earlier snapshot stays as it was.
    EXPECT_EQ(first->count, 10u);
    EXPECT_EQ(logs.Snapshot()->count, 20u);
    logs.SetFileList({});
    EXPECT_EQ(logs.Snapshot()->count, 0u);
    EXPECT_EQ(first->time[9], 1800u);
}

TEST_F(LogManagementTest, MergedLogGrowsAndIsRebuilt) {
    TsRecordingSpec big;
    big.logSampleCount = 5000;
    TsRecordingSpec small;
    small.logSampleCount = 600;
    ItemRef x = ProbeItem(Write(QStringLiteral("x.ts"), big));
    ItemRef y = ProbeItem(Write(QStringLiteral("y.ts"), small));
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

TEST_F(LogManagementTest, OtherFileTypesHaveNoReader) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    ItemRef b = ProbeItem(Write(QStringLiteral("b.ts"), Drive(1.0, 12)));
    a->fileType = FILE_TYPE_MP4;
    TLogManagement& logs = Start();
    logs.SetFileList({a.get(), b.get()});
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(a->logState.load(), LOG_FAILED);
    EXPECT_EQ(a->log.count, 0u);
    ASSERT_EQ(logs.MergedLog().count, 5u);
    EXPECT_EQ(logs.MergedLog().time[0], 1960u);
}

TEST_F(LogManagementTest, SnapshotsAreSafeToReadFromAnotherThread) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    ItemRef b = ProbeItem(Write(QStringLiteral("b.ts"), Drive(2.0, 14)));
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
    for (int round = 0; round < 30; ++round) {
        logs.SetFileList(round % 2 == 0 ? FileItemList{a.get(), b.get()} : FileItemList{b.get()});
        ASSERT_TRUE(MergeEnds());
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST_F(LogManagementTest, ShutdownWhileIdleReturnsEveryReference) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    Start();
    Stop();  // idle worker, nothing held

    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    Stop();
    EXPECT_EQ(a.release()->Release(), 0);
}

TEST_F(LogManagementTest, ShutdownWhileDecodingReturnsEveryReference) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    ASSERT_EQ(a->fileType, FILE_TYPE_TS);
    // Grown to 40 MB of zeros and read one packet at a time: a long decode.
    Resize(a->path, 40 * 1000 * 1000);
    TLogManagement& logs = Start(RecordingReadLimits{188, kMaxRecordingSize});
    logs.SetFileList({a.get()});
    Stop();
    const std::int32_t state = a->logState.load();
    EXPECT_TRUE(state == LOG_READING || state == LOG_READ) << state;
    EXPECT_EQ(a.release()->Release(), 0);
}

TEST_F(LogManagementTest, SizeLimitOfTheReader) {
    ItemRef a = ProbeItem(Write(QStringLiteral("a.ts"), Drive(2.0, 12)));
    Resize(a->path, kMaxRecordingSize + 1);
    platform::MessageBox::ClearRecorded();
    TLogManagement& logs = Start();
    logs.SetFileList({a.get()});
    ASSERT_TRUE(MergeEnds());
    EXPECT_EQ(a->logState.load(), LOG_FAILED);
    ASSERT_TRUE(ProcessEventsUntil([] { return !platform::MessageBox::Recorded().empty(); }));
    const auto boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("File is greater 2GB. This Program is not supported"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes[0].fromWorker);
}
