// The program's start-up and shut-down: the single instance across processes,
// the first start's defaults, a damaged settings file, the stored language, and
// the teardown in the middle of a cut and while a worker's box waits in the queue.
#include "AppTestSupport.h"
#include "app/About.h"
#include "app/Main.h"
#include "app/Program.h"
#include "app/ProgramApplication.h"
#include "app/Setting.h"
#include "cutting/Cuttingproc.h"
#include "foundation/PreferenceTable.h"
#include "foundation/UiStringTable.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "platform/Termination.h"
#include "support/DebugCapture.h"
#include "support/ProcessState.h"
#include "support/TestMedia.h"
#include "views/ChartFrame.h"
#include "views/GMForm.h"
#include "views/InfoFrom.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QToolButton>

#include <csignal>
#include <cstdio>
#include <thread>

using app::Program;
using platform::MessageBox;
using platform::Registry;

namespace {

constexpr char kRuntimeVariable[] = "OMBREL_TEST_RUNTIME_DIR";
const QString kSetting = QStringLiteral("Software\\OmbrelPlayer\\Setting");

// Counts the windows shown while it lives.
class ShownWindows : public QObject {
  public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    int Count() const { return count_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            ++count_;
        }
        return false;
    }

  private:
    int count_ = 0;
};

// Puts the debug output's sink back when the test ends, however it ends.
struct SinkRestorer {
    platform::DebugOutput::Sink previous;
    ~SinkRestorer() { platform::DebugOutput::SetSink(previous); }
};

// Waits without running the GUI thread's events, so that a box a worker queued
// stays in the queue.
bool WaitWithoutEvents(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

class ProgramTest : public AppFolderTest {
  protected:
    ProgramTest() {
        QFile::remove(Registry::DefaultFilePath());
        MessageBox::ClearRecorded();
        LanguageIndex = 0;
    }

    // The program started on `arguments` (its own path first), with a lock of
    // this test's own.
    Program::StartResult Start(const QStringList& arguments = {}) {
        program_ = std::make_unique<Program>(LockPath());
        return program_->Start(QStringList{QCoreApplication::applicationFilePath()} + arguments);
    }
    QString LockPath() const { return PathOf(QStringLiteral("OmbrelPlayer.lock")); }

    // A recording of real pictures whose clock references stop after frame 75,
    // which the cutter notes on the debug output in the middle of a cut.
    QString WriteRecording(const QString& name) {
        tsrec::TestMediaParams params;
        params.seconds = 4.0;
        const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
        const QString path = PathOf(name);
        EXPECT_TRUE(tsrec::WriteTsRecording(path, {.media = &media, .pcrStopsAfterFrames = 75}));
        return path;
    }

    // Shows the main window on one recording (selected at once) and starts a cut
    // of it into this test's folder.
    void StartCutOf(const QString& recording) {
        ASSERT_EQ(Start({recording}), Program::StartResult::Started);
        program_->ShowMainWindow();
        ASSERT_TRUE(WaitUntil([] { return FormMain->PlayList().Items().size() == 1; }));
        FormMain->askSaveName = [this](const app::SaveRequest&) {
            return std::optional<app::SaveChoice>(
                app::SaveChoice{PathOf(QStringLiteral("clip")), 1});
        };
        // Small reads: the cutter looks at its stop flag often.
        FormMain->Cutting()->tsChunkPackets = 4;
        FormMain->TBCutting->click();
        ASSERT_TRUE(FormMain->Cutting()->IsBusy());
    }

    std::unique_ptr<Program> program_;
};

}  // namespace

// Run as a child process by the test below: the program's whole run as a second
// instance, beside the lock held in the parent's runtime folder.
TEST_F(ProgramTest, DISABLED_RunAsSecondInstance) {
    qputenv("XDG_RUNTIME_DIR", qgetenv(kRuntimeVariable));
    ShownWindows shown;
    const int code = app::RunProgram({QCoreApplication::applicationFilePath()});
    for (const platform::RecordedBox& box : MessageBox::Recorded()) {
        std::printf("box: %s / %s\n", qPrintable(box.text), qPrintable(box.caption));
    }
    std::printf("exit: %d, windows shown: %d, settings written: %d\n", code, shown.Count(),
                QFileInfo::exists(Registry::DefaultFilePath()) ? 1 : 0);
}

TEST_F(ProgramTest, ASecondInstanceShowsItsBoxAndEndsWithNothingMade) {
    platform::SingleInstance held(Program::DefaultLockPath());
    ASSERT_TRUE(held.IsFirst());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kRuntimeVariable),
                       qEnvironmentVariable("XDG_RUNTIME_DIR"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ProgramTest.DISABLED_RunAsSecondInstance"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(output.contains("box: This program is running... / Error\n")) << output.data();
    EXPECT_EQ(output.count("box:"), 1) << output.data();
    EXPECT_TRUE(output.contains("exit: 0, windows shown: 0, settings written: 0")) << output.data();
    // The refused instance left the holder's lock in place.
    EXPECT_FALSE(platform::SingleInstance(Program::DefaultLockPath()).IsFirst());
}

TEST_F(ProgramTest, TheProgramEndsInOrderOnATerminationSignal) {
    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString config = PathOf(QStringLiteral("config"));
    const QString runtime = PathOf(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    player.setProcessEnvironment(environment);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(QStringLiteral(OMBREL_PLAYER_PATH), {});
    ASSERT_TRUE(player.waitForStarted(30000));
    // The lock and the signals are taken before a first start writes the settings file.
    const QString settings = config + QStringLiteral("/OmbrelPlayer/registry.ini");
    ASSERT_TRUE(WaitUntil(
        [&] { return QFileInfo::exists(settings) || player.state() != QProcess::Running; }));
    ASSERT_EQ(player.state(), QProcess::Running);
    EXPECT_FALSE(
        platform::SingleInstance(runtime + QStringLiteral("/OmbrelPlayer.lock")).IsFirst());

    ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
    ASSERT_TRUE(player.waitForFinished(60000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_TRUE(platform::SingleInstance(runtime + QStringLiteral("/OmbrelPlayer.lock")).IsFirst());
}

TEST_F(ProgramTest, AFirstStartWritesTheDefaultsAndCreatesTheFormsInOrder) {
    ASSERT_EQ(Start(), Program::StartResult::Started);
    EXPECT_TRUE(MessageBox::Recorded().empty());
    EXPECT_EQ(Registry().Load(), Registry::LoadResult::Loaded);  // the defaults, written
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("OmbrelPlayer"));
    ASSERT_NE(FormMain, nullptr);
    // Every other form is the main window's: each was made after it.
    const QObjectList children = FormMain->children();
    const QList<QObject*> forms{AboutFrm, _GoogleMapForm, _InfoForm, FormSetting};
    qsizetype previous = -1;
    for (QObject* form : forms) {
        ASSERT_NE(form, nullptr);
        const qsizetype place = children.indexOf(form);
        EXPECT_GT(place, previous);
        previous = place;
    }
    EXPECT_FALSE(FormMain->isVisible());

    program_->ShowMainWindow();
    EXPECT_EQ(FormMain->windowTitle(), QStringLiteral("Ombrel Player"));
    EXPECT_NE(FormMain->Cutting(), nullptr);
    program_.reset();
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_EQ(FormSetting, nullptr);
    EXPECT_EQ(_InfoForm, nullptr);
    EXPECT_TRUE(platform::SingleInstance(LockPath()).IsFirst());
}

TEST_F(ProgramTest, AStoredSimplifiedChineseTitlesTheMainWindow) {
    ASSERT_EQ(foundation::WriteDefaultsOnFirstStart(),
              foundation::FirstStartResult::DefaultsWritten);
    Registry registry;
    registry.Load();
    registry.WriteInteger(kSetting, QStringLiteral("Language"), 2);
    ASSERT_TRUE(registry.Save());

    ASSERT_EQ(Start(), Program::StartResult::Started);
    program_->ShowMainWindow();
    EXPECT_EQ(LanguageIndex, 2);
    EXPECT_EQ(FormMain->windowTitle(), QStringLiteral("Istrel Player"));
}

TEST_F(ProgramTest, ADamagedSettingsFileGivesTheInitialErrorAndNoMainWindow) {
    const QByteArray damaged = "[Software\\OmbrelPlayer\\Chart]\n";
    QDir().mkpath(QFileInfo(Registry::DefaultFilePath()).path());
    WriteFile(Registry::DefaultFilePath(), damaged);

    ShownWindows shown;
    EXPECT_EQ(Start({PathOf(QStringLiteral("a.ts"))}), Program::StartResult::Ended);
    const auto boxes = MessageBox::Recorded();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, QStringLiteral("Initial Error, Please re-Install"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ERROR"));
    EXPECT_TRUE(platform::TerminationRequested());
    EXPECT_EQ(program_->Run(), 0);  // no window, no loop: it returns at once
    EXPECT_EQ(shown.Count(), 0);
    EXPECT_EQ(FormMain->Cutting(), nullptr);  // the first showing never ran
    program_.reset();
    // A damaged file is the user's to mend: it is not replaced by defaults.
    EXPECT_EQ(ReadFile(Registry::DefaultFilePath()), damaged);
}

TEST_F(ProgramTest, ShutDownInTheMiddleOfACutStopsItAndLeavesNoFile) {
    const QString recording = WriteRecording(QStringLiteral("a.ts"));
    const QString temporary = PathOf(QStringLiteral("quendrix.tmp"));
    // The cutter's note on the first picture without a clock reference holds the
    // worker in the cut until the shut-down asks it to stop.
    std::atomic<bool> inside{false};
    std::atomic<CuttingProc*> job{nullptr};
    const TraceOn traceOn;
    const SinkRestorer restorer(platform::DebugOutput::SetSink([&](const QString& line) {
        if (line.startsWith(QStringLiteral("TSCutting:")) && !inside.exchange(true)) {
            WaitUntil(
                [&] {
                    const CuttingProc* cut = job.load();  // set once the cut started
                    return cut != nullptr && cut->stopFlag.load() != 0;
                },
                60000);
        }
    }));
    ASSERT_NO_FATAL_FAILURE(StartCutOf(recording));
    job = FormMain->Cutting();
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
    EXPECT_TRUE(QFileInfo::exists(temporary));

    program_.reset();
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_FALSE(QFileInfo::exists(temporary));
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("clip.ts"))));
    EXPECT_TRUE(QFileInfo::exists(recording));
}

TEST_F(ProgramTest, ShutDownWhileTheCutWorkersBoxWaitsInTheQueue) {
    const QString recording = WriteRecording(QStringLiteral("a.ts"));
    // A folder in the way of the temporary file: the worker cannot create it and
    // waits on its error box.
    const QString blocker = PathOf(QStringLiteral("quendrix.tmp"));
    ASSERT_TRUE(QDir().mkpath(blocker + QStringLiteral("/kept")));
    // A box shown for real would wait for a user: from here on nothing runs the
    // queue, so the box stays queued with the worker waiting on it.
    MessageBox::StopRecording();
    const auto workers = [] { return ThreadsNamed("cutting"); };
    ASSERT_NO_FATAL_FAILURE(StartCutOf(recording));
    ASSERT_EQ(workers().size(), 1u);
    const pid_t worker = workers().front();
    // Waiting on its box, the worker wakes every little while to look for a stop;
    // idle, it sleeps for good.
    const long before = VoluntarySwitches(worker);
    ASSERT_TRUE(WaitWithoutEvents(
        [&] { return ThreadIsAsleep(worker) && VoluntarySwitches(worker) > before + 3; }));

    program_.reset();
    EXPECT_EQ(FormMain, nullptr);
    EXPECT_TRUE(workers().empty());
    EXPECT_TRUE(QFileInfo(blocker + QStringLiteral("/kept")).isDir());
    EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("clip.ts"))));
}

TEST(ProgramExceptionTest, AnEscapedExceptionIsShownWithItsText) {
    MessageBox::ClearRecorded();
    QCoreApplication::setApplicationName(QStringLiteral("OmbrelPlayer"));
    app::ShowEscapedException(std::make_exception_ptr(std::runtime_error("disk gone")));
    app::ShowEscapedException(std::make_exception_ptr(42));
    const auto boxes = MessageBox::Recorded();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("disk gone"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("OmbrelPlayer"));
    EXPECT_EQ(boxes[1].text, QStringLiteral("Unknow Error"));
}
