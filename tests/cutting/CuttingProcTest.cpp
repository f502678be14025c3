#include "CutFixture.h"

#include "foundation/ErrorReport.h"
#include "platform/DebugOutput.h"
#include "platform/FileHandle.h"
#include "platform/MessageBox.h"
#include "platform/SystemError.h"
#include "support/DebugCapture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr std::int32_t kNoType = FILE_TYPE_NONE;

tsrec::TsRecordingSpec Synthetic(double seconds) {
    tsrec::TsRecordingSpec spec;
    spec.durationSeconds = seconds;
    return spec;
}

QString FileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// A folder the cut cannot create its temporary file in; empty when this machine
// lets the test write anywhere.
QString UnwritableFolder(const QString& scratch) {
    QString folder = scratch;
    if (::geteuid() == 0) {
        folder = QStringLiteral("/sys");  // not even root adds files there
    } else {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const platform::FileHandle probe =
        platform::FileHandle::CreateNew(folder + QStringLiteral("/quendrix.tmp"));
    if (probe.IsOpen()) {
        QFile::remove(folder + QStringLiteral("/quendrix.tmp"));
        return QString();
    }
    return folder;
}

// A job with its message sink, driven by hand.
struct Job {
    CutMessageSink sink;
    CuttingProc proc{&sink, WM_CUTTING_EVENT};
};

class CuttingProcTest : public CutTest {
  protected:
    // A play list of never-probed items of the given durations and file type 0.
    void MakePlayList(std::initializer_list<double> durations) {
        for (const double duration : durations) {
            items_.push_back(FakeItem(duration, kNoType));
            playList_.push_back(items_.back().get());
        }
    }
    // Starts a cut of the play list; on success waits for its end and releases it.
    CutResult StartAndFinish(Job& job, double start, double end) {
        const CutResult started =
            job.proc.StartCutting(playList_, PathOf(QStringLiteral("clip.ts")), start, end);
        if (started == Cut_OK) {
            EXPECT_TRUE(job.sink.WaitForFinal());
        }
        return started;
    }
    std::vector<std::int32_t> Counts() const {
        std::vector<std::int32_t> counts;
        for (TFileItem* item : playList_) {
            counts.push_back(RefCount(item));
        }
        return counts;
    }

    std::vector<ItemRef> items_;
    FileItemList playList_;
};

}  // namespace

TEST_F(CuttingProcTest, SelectsTheItemsThatCoverTheSpan) {
    MakePlayList({10, 20, 30});
    struct Case {
        double start, end;
        std::vector<int> selected;
        double startOffset, endOffset;
    };
    const Case cases[] = {
        {12, 25, {1}, 2, 15},        // wholly inside one recording
        {10, 15, {1}, 0, 5},         // a start on a boundary takes the later one
        {5, 30, {0, 1}, 5, 20},      // an end on a boundary ends with the earlier one
        {5, 100, {0, 1, 2}, 5, 30},  // an end past the play list: up to the last, whole
        {59.5, 61, {2}, 29.5, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
        Job job;
        ASSERT_EQ(
            job.proc.StartCutting(playList_, PathOf(QStringLiteral("clip.ts")), c.start, c.end),
            Cut_OK);
        ASSERT_EQ(job.proc.selection.size(), c.selected.size());
        for (std::size_t i = 0; i < c.selected.size(); ++i) {
            EXPECT_EQ(job.proc.selection[i], playList_[c.selected[i]]);
        }
        EXPECT_DOUBLE_EQ(job.proc.startOffset, c.startOffset);
        EXPECT_DOUBLE_EQ(job.proc.endOffset, c.endOffset);
        // An end past the play list ends with it.
        EXPECT_DOUBLE_EQ(job.proc.span, std::min(c.end, 60.0) - c.start);
        EXPECT_EQ(job.proc.temporaryPath, PathOf(QStringLiteral("quendrix.tmp")));
        EXPECT_TRUE(job.sink.WaitForFinal());
        job.proc.ReleaseSelection();
    }
}

TEST_F(CuttingProcTest, RefusalsKeepNothingSelectedAndPostNothing) {
    MakePlayList({10, 20});
    items_[1]->fileType = FILE_TYPE_MP4;
    const struct {
        double start, end;
        CutResult expected;
    } cases[] = {
        {-1, 5, Err_Cut_Unknown},          {30, 40, Err_Cut_Unknown},
        {31, 40, Err_Cut_Unknown},         {8, 8, Err_Cut_Unknown},
        {9, 3, Err_Cut_Unknown},           {std::nan(""), 5, Err_Cut_Unknown},
        {5, 15, Err_Cut_FileTypeMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
        Job job;
        EXPECT_EQ(
            job.proc.StartCutting(playList_, PathOf(QStringLiteral("clip.ts")), c.start, c.end),
            c.expected);
        EXPECT_TRUE(job.proc.selection.empty());
        EXPECT_FALSE(job.proc.IsBusy());
        EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 1}));
        job.sink.Drain();
        EXPECT_TRUE(job.sink.Messages().empty());
    }
    // Wholly inside the second: one file type.
    Job job;
    EXPECT_EQ(StartAndFinish(job, 12, 15), Cut_OK);
    job.proc.ReleaseSelection();
}

TEST_F(CuttingProcTest, ReferencesAreHeldWhileBusyAndDroppedOnRelease) {
    MakePlayList({10, 20, 30});
    Job job;
    ASSERT_EQ(StartAndFinish(job, 15, 45), Cut_OK);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 2, 2}));
    // The final message does not free the job: only the release does.
    EXPECT_EQ(job.proc.StartCutting(playList_, PathOf(QStringLiteral("other.ts")), 0, 5),
              Err_Cut_Busy);
    EXPECT_EQ(job.proc.destinationPath, PathOf(QStringLiteral("clip.ts")));
    EXPECT_DOUBLE_EQ(job.proc.startOffset, 5);
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 2, 2}));
    job.proc.ReleaseSelection();
    EXPECT_FALSE(job.proc.IsBusy());
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 1, 1}));
}

TEST_F(CuttingProcTest, SizeEstimateFromThePlayListsFirstItemOrTheSelectedSizes) {
    // The first item: 1000 bytes in 1000 s, one byte a second; the second 500 bytes.
    const QString first = PathOf(QStringLiteral("a.ts"));
    WriteText(first, QByteArray(1000, 'x'));
    WriteText(PathOf(QStringLiteral("b.ts")), QByteArray(500, 'x'));
    items_.push_back(FakeItem(1000, kNoType, first));
    // The second lasts long enough for the span to reach the limit.
    items_.push_back(FakeItem(3e9, kNoType, PathOf(QStringLiteral("b.ts"))));
    playList_ = {items_[0].get(), items_[1].get()};
    const auto estimate = [&](double start, double end) {
        Job job;
        const CutResult started = StartAndFinish(job, start, end);
        const std::uint32_t total = started == Cut_OK ? job.proc.totalBytes : 0;
        job.proc.ReleaseSelection();
        EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 1}));
        return std::pair{started, total};
    };
    // The first item sets the rate, selected or not; 2,000,000,000 bytes pass.
    EXPECT_EQ(estimate(1002, 1005), std::pair(CutResult{Cut_OK}, 3u));
    EXPECT_EQ(estimate(0, 2000000000.0), std::pair(CutResult{Cut_OK}, 2000000000u));
    for (const double end : {2000000001.0, HUGE_VAL}) {
        EXPECT_EQ(estimate(0, end).first, Err_Cut_DestFileSizeOverError);
    }
    // An end past the play list ends with it: the estimate is of what it holds.
    items_[1]->duration = 10;
    for (const double end : {HUGE_VAL, 1e300, 1011.0}) {
        EXPECT_EQ(estimate(0, end), std::pair(CutResult{Cut_OK}, 1010u)) << end;
    }
    // Without a usable duration: the selected file's size.
    for (const double duration : {0.0, -3.0}) {
        items_[0]->duration = duration;
        EXPECT_EQ(estimate(2, 5), std::pair(CutResult{Cut_OK}, 500u));
    }
    // No bytes at all still gives a usable divisor.
    items_[0]->duration = 1000;
    WriteText(first, QByteArray());
    EXPECT_EQ(estimate(2, 5), std::pair(CutResult{Cut_OK}, 1u));
}

TEST_F(CuttingProcTest, UnknownFileTypeEndsAsUnknownAndLeavesNoFiles) {
    MakePlayList({10});
    const QString destination = PathOf(QStringLiteral("clip.ts"));
    WriteText(destination, "old clip");
    Job job;
    ASSERT_EQ(StartAndFinish(job, 1, 5), Cut_OK);
    EXPECT_EQ(job.sink.Final(), Err_Cut_Unknown);
    EXPECT_EQ(FileText(destination), QStringLiteral("old clip"));
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    job.proc.ReleaseSelection();
}

TEST_F(CuttingProcTest, TheTemporaryFileReplacesTheDestinationOnlyOnSuccess) {
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(3));
    const QString destination = PathOf(QStringLiteral("clip.ts"));
    const QString temporary = PathOf(QStringLiteral("quendrix.tmp"));
    // The recording vanished after it was probed: the old clip stays as it was.
    WriteText(destination, "old clip");
    const QString path = item->path;
    ASSERT_TRUE(QFile::rename(path, PathOf(QStringLiteral("moved.ts"))));
    EXPECT_EQ(Cut({item.get()}, destination, 0.5, 2.5).result, Err_Cut_OpenSrcFileErrorr);
    EXPECT_EQ(FileText(destination), QStringLiteral("old clip"));
    EXPECT_FALSE(QFileInfo::exists(temporary));

    // Success replaces the old clip and a stale temporary file.
    ASSERT_TRUE(QFile::rename(PathOf(QStringLiteral("moved.ts")), path));
    WriteText(temporary, "stale temporary file");
    ASSERT_EQ(Cut({item.get()}, destination, 0.5, 2.5).result, Cut_OK);
    const std::vector<std::uint8_t> clip = Bytes(destination);
    ASSERT_GT(clip.size(), 188u);
    EXPECT_EQ(clip[0], 0x47);
    EXPECT_FALSE(QFileInfo::exists(temporary));
    EXPECT_EQ(RefCount(item.get()), 1);

    // A folder cannot be replaced by the clip: the failed rename is reported.
    const QString folder = PathOf(QStringLiteral("folder.ts"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));
    EXPECT_EQ(Cut({item.get()}, folder, 0.5, 2.5).result, Err_Cut_OpenDestFileError);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
    EXPECT_FALSE(QFileInfo::exists(temporary));
}

TEST_F(CuttingProcTest, AReadOnlyFolderShowsTheSystemErrorThenOpenDestFileError) {
    const QString folder = UnwritableFolder(PathOf(QStringLiteral("readonly")));
    if (folder.isEmpty()) {
        GTEST_SKIP() << "this machine lets the test write everywhere";
    }
    const platform::FileHandle probe =
        platform::FileHandle::CreateNew(folder + QStringLiteral("/quendrix.tmp"));
    const std::uint32_t code = platform::ErrorCodeFromErrno(probe.LastError());
    MakePlayList({10});
    platform::MessageBox::ClearRecorded();
    Job job;
    ASSERT_EQ(job.proc.StartCutting(playList_, folder + QStringLiteral("/clip.ts"), 1, 5), Cut_OK);
    ASSERT_TRUE(job.sink.WaitForFinal());
    EXPECT_EQ(job.sink.Final(), Err_Cut_OpenDestFileError);
    const std::vector<platform::RecordedBox> boxes = platform::MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].text, foundation::FormatErrorBoxText(static_cast<std::int32_t>(code),
                                                            QStringLiteral("Error")));
    EXPECT_TRUE(boxes[0].fromWorker);
    EXPECT_TRUE(job.proc.IsBusy());
    job.proc.ReleaseSelection();
    EXPECT_FALSE(job.proc.IsBusy());
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1}));
}

TEST_F(CuttingProcTest, ProgressComesInOrderAndExactlyOneFinalEndsTheJob) {
    ItemRef first = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef second = Recording(QStringLiteral("b.ts"), Synthetic(3));
    const CutRun run =
        Cut({first.get(), second.get()}, PathOf(QStringLiteral("clip.ts")), 0.5, 4.5, 16);
    ASSERT_EQ(run.result, Cut_OK);
    ASSERT_GE(run.messages.size(), 3u);
    std::intptr_t last = -1;
    for (std::size_t i = 0; i + 1 < run.messages.size(); ++i) {
        EXPECT_EQ(run.messages[i].wParam, 1u);
        EXPECT_GE(run.messages[i].lParam, last);
        last = run.messages[i].lParam;
    }
    EXPECT_EQ(run.messages.back().wParam, 0u);
    EXPECT_EQ(run.messages.back().lParam, 0);
    EXPECT_GT(last, 0);
}

namespace {

// Runs `onNote` on the cutter's thread when it writes its first note about the
// source, then restores the debug output.
class NoteHook {
  public:
    explicit NoteHook(std::function<void()> onNote) : onNote_(std::move(onNote)) {
        previous_ = platform::DebugOutput::SetSink([this](const QString& line) {
            if (line.startsWith(QStringLiteral("TSCutting:")) && !fired_.exchange(true)) {
                onNote_();
            }
        });
    }
    ~NoteHook() { platform::DebugOutput::SetSink(previous_); }
    bool Fired() const { return fired_.load(); }

  private:
    TraceOn traceOn_;
    std::function<void()> onNote_;
    std::atomic<bool> fired_{false};
    platform::DebugOutput::Sink previous_;
};

// Video PES starts lose their clock reference after frame 30: the cutter notes it
// in the middle of the recording.
tsrec::TsRecordingSpec NotedMidway() {
    tsrec::TsRecordingSpec spec = Synthetic(4);
    spec.pcrStopsAfterFrames = 30;
    return spec;
}

}  // namespace

TEST_F(CuttingProcTest, StopInTheMiddleEndsWithInterruptAndNoFiles) {
    ItemRef item = Recording(QStringLiteral("a.ts"), NotedMidway());
    const QString destination = PathOf(QStringLiteral("clip.ts"));
    Job job;
    job.proc.tsChunkPackets = 4;
    NoteHook hook([&job] { job.proc.stopFlag.store(1); });
    ASSERT_EQ(job.proc.StartCutting({item.get()}, destination, 0, 1.1), Cut_OK);
    ASSERT_TRUE(job.sink.WaitForFinal());
    EXPECT_TRUE(hook.Fired());
    EXPECT_EQ(job.sink.Final(), Err_Cut_Interrupt);
    EXPECT_EQ(job.sink.FinalCount(), 1);
    EXPECT_EQ(job.sink.Messages().back().wParam, Err_Cut_Interrupt);
    EXPECT_GT(job.sink.Messages().size(), 1u);  // progress came before
    EXPECT_FALSE(QFileInfo::exists(destination));
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    job.proc.ReleaseSelection();
    EXPECT_EQ(job.proc.stopFlag.load(), 0u);
    EXPECT_EQ(RefCount(item.get()), 1);
}

TEST_F(CuttingProcTest, DestroyingTheJobInTheMiddleOfACutStopsAndJoinsTheWorker) {
    ItemRef item = Recording(QStringLiteral("a.ts"), NotedMidway());
    CutMessageSink sink;
    auto job = std::make_unique<CuttingProc>(&sink, WM_CUTTING_EVENT);
    job->tsChunkPackets = 4;
    std::atomic<bool> inside{false};
    CuttingProc* raw = job.get();
    // Holds the cutter until the destructor has raised the stop flag.
    NoteHook hook([&inside, raw] {
        inside.store(true);
        WaitUntil([raw] { return raw->stopFlag.load() != 0; });
    });
    ASSERT_EQ(job->StartCutting({item.get()}, PathOf(QStringLiteral("clip.ts")), 0, 1.1), Cut_OK);
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
    job.reset();
    sink.Drain();
    EXPECT_EQ(sink.FinalCount(), 0);  // no one is left to take an outcome
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix.tmp"))));
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("clip.ts"))));
    EXPECT_EQ(RefCount(item.get()), 1);
}

TEST_F(CuttingProcTest, ADestinationNamedLikeTheTemporaryFileIsKeptOnFailureAndReplacedOnSuccess) {
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(3));
    const QString path = item->path;
    // Memory cards fold case: either spelling is the temporary file's name.
    for (const QString& name : {QStringLiteral("quendrix.tmp"), QStringLiteral("QUENDRIX.TMP")}) {
        SCOPED_TRACE(name.toStdString());
        const QString destination = PathOf(name);
        WriteText(destination, "old clip");
        ASSERT_TRUE(QFile::rename(path, PathOf(QStringLiteral("moved.ts"))));
        EXPECT_EQ(Cut({item.get()}, destination, 0.5, 2.5).result, Err_Cut_OpenSrcFileErrorr);
        EXPECT_EQ(FileText(destination), QStringLiteral("old clip"));
        ASSERT_TRUE(QFile::rename(PathOf(QStringLiteral("moved.ts")), path));
        ASSERT_EQ(Cut({item.get()}, destination, 0.5, 2.5).result, Cut_OK);
        EXPECT_EQ(Bytes(destination).at(0), 0x47);
        EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::Files).size(), 2);
        ASSERT_TRUE(QFile::remove(destination));
    }
}

// The clip replaces its destination: over one of its own sources it would replace
// the recording it is cut from. Every name that reaches a source's file is refused
// before anything is written, and the job stays free.
TEST_F(CuttingProcTest, ADestinationThatIsOneOfTheSourcesIsRefused) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef b = Recording(QStringLiteral("b.ts"), {.durationSeconds = 3, .startTime = 1700000003});
    ASSERT_TRUE(QDir().mkpath(PathOf(QStringLiteral("sub"))));
    ASSERT_TRUE(QFile::link(b->path, PathOf(QStringLiteral("sub/link.ts"))));
    ASSERT_EQ(::link(b->path.toLocal8Bit().constData(),
                     PathOf(QStringLiteral("hard.ts")).toLocal8Bit().constData()),
              0);
    const std::vector<std::uint8_t> bytesA = Bytes(a->path);
    const std::vector<std::uint8_t> bytesB = Bytes(b->path);
    const QStringList before =
        QDir(PathOf(QString())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    playList_ = {a.get(), b.get()};
    for (const QString& destination :
         {a->path, b->path, PathOf(QStringLiteral("sub/../a.ts")), PathOf(QStringLiteral("./b.ts")),
          PathOf(QStringLiteral("sub/link.ts")), PathOf(QStringLiteral("hard.ts"))}) {
        SCOPED_TRACE(destination.toStdString());
        Job job;
        EXPECT_EQ(job.proc.StartCutting(playList_, destination, 1, 5), Err_Cut_OpenDestFileError);
        EXPECT_TRUE(job.proc.selection.empty());
        EXPECT_FALSE(job.proc.IsBusy());
        EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1, 1}));
        job.sink.Drain();
        EXPECT_TRUE(job.sink.Messages().empty());
    }
    EXPECT_EQ(Bytes(a->path), bytesA);
    EXPECT_EQ(Bytes(b->path), bytesB);
    EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    // A source that bears the temporary file's name is not removed to make room for
    // it: the clip goes through the other name.
    const QString temporary = PathOf(QStringLiteral("quendrix.tmp"));
    ASSERT_TRUE(QFile::rename(a->path, temporary));
    a->path = temporary;
    const CutRun run = Cut({a.get()}, PathOf(QStringLiteral("clip.ts")), 0.5, 2.5);
    EXPECT_EQ(run.result, Cut_OK);
    EXPECT_EQ(Bytes(temporary), bytesA);
    EXPECT_EQ(Bytes(PathOf(QStringLiteral("clip.ts"))).at(0), 0x47);
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("quendrix2.tmp"))));
}

// The other temporary name is no freer than the first: a source that bears it is
// not removed either, whether the destination or another source takes the first.
TEST_F(CuttingProcTest, SourcesAtBothTemporaryNamesAreKept) {
    ItemRef a = Recording(QStringLiteral("a.ts"), Synthetic(3));
    ItemRef b = Recording(QStringLiteral("b.ts"), {.durationSeconds = 3, .startTime = 1700000003});
    const std::vector<std::uint8_t> bytesA = Bytes(a->path);
    const std::vector<std::uint8_t> bytesB = Bytes(b->path);
    const QString first = PathOf(QStringLiteral("quendrix.tmp"));
    const QString aside = PathOf(QStringLiteral("quendrix2.tmp"));
    ASSERT_TRUE(QFile::rename(b->path, aside));
    b->path = aside;

    // The destination takes the first name, a source the other.
    CutRun run = Cut({b.get()}, PathOf(QStringLiteral("QUENDRIX.TMP")), 0.5, 2.5);
    EXPECT_EQ(run.result, Cut_OK);
    EXPECT_EQ(Bytes(aside), bytesB);
    EXPECT_EQ(Bytes(PathOf(QStringLiteral("QUENDRIX.TMP"))).at(0), 0x47);
    ASSERT_TRUE(QFile::remove(PathOf(QStringLiteral("QUENDRIX.TMP"))));

    // A source at each name.
    ASSERT_TRUE(QFile::rename(a->path, first));
    a->path = first;
    run = Cut({a.get(), b.get()}, PathOf(QStringLiteral("clip.ts")), 0.5, 5.5);
    EXPECT_EQ(run.result, Cut_OK);
    EXPECT_EQ(Bytes(first), bytesA);
    EXPECT_EQ(Bytes(aside), bytesB);
    EXPECT_EQ(Bytes(PathOf(QStringLiteral("clip.ts"))).at(0), 0x47);
    EXPECT_EQ(QDir(PathOf(QString())).entryList(QDir::Files).size(), 3);
}

TEST_F(CuttingProcTest, ALinkAtTheTemporaryNameIsRemovedNeverWrittenThrough) {
    ItemRef item = Recording(QStringLiteral("a.ts"), Synthetic(3));
    const QString temporary = PathOf(QStringLiteral("quendrix.tmp"));
    const QString other = PathOf(QStringLiteral("other.txt"));
    const QString nowhere = PathOf(QStringLiteral("nowhere.txt"));
    WriteText(other, "someone else's file");
    for (const QString& target : {other, nowhere}) {
        SCOPED_TRACE(target.toStdString());
        ASSERT_TRUE(QFile::link(target, temporary));
        ASSERT_EQ(Cut({item.get()}, PathOf(QStringLiteral("clip.ts")), 0.5, 2.5).result, Cut_OK);
        EXPECT_EQ(FileText(other), QStringLiteral("someone else's file"));
        EXPECT_FALSE(QFileInfo::exists(nowhere));
        EXPECT_FALSE(QFileInfo(temporary).isSymLink());
        EXPECT_EQ(Bytes(PathOf(QStringLiteral("clip.ts"))).at(0), 0x47);
    }
}

TEST_F(CuttingProcTest, TheOutcomeWaitsForTheErrorBoxUnlessTheJobIsDestroyed) {
    const QString folder = UnwritableFolder(PathOf(QStringLiteral("readonly")));
    if (folder.isEmpty()) {
        GTEST_SKIP() << "this machine lets the test write everywhere";
    }
    MakePlayList({10});
    const QString destination = folder + QStringLiteral("/clip.ts");
    platform::MessageBox::StopRecording();
    {
        // No event loop runs the box: the destructor's stop alone ends the wait.
        Job job;
        ASSERT_EQ(job.proc.StartCutting(playList_, destination, 1, 5), Cut_OK);
    }
    QCoreApplication::removePostedEvents(nullptr);
    Job job;
    // The box runs modally in the GUI thread's event loop: a timer there finds it,
    // notes whether the outcome had come, and closes it.
    bool seen = false;
    bool outcomeWhileOpen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && !seen) {
            seen = true;
            outcomeWhileOpen = job.sink.Final().has_value();
            box->button(QMessageBox::Ok)->click();
        }
    });
    probe.start(10);
    ASSERT_EQ(job.proc.StartCutting(playList_, destination, 1, 5), Cut_OK);
    const bool ended = job.sink.WaitForFinal();
    platform::MessageBox::StartRecording();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(outcomeWhileOpen);
    EXPECT_EQ(job.sink.Final(), Err_Cut_OpenDestFileError);
    job.proc.ReleaseSelection();
    EXPECT_EQ(Counts(), (std::vector<std::int32_t>{1}));
}
