// CPU a second of playing in the main window against ffplay's for the same file in
// a video window of the same size, in one run: meant for an X server whose OpenGL
// is a software rasteriser (run it under xvfb-run, which gives Mesa's llvmpipe).
// Beside ours as it chooses its renderer, ours with the GL renderer forced, as it
// was before it gave way to the raster renderer there.
//
//   ombrel-bench-window [--cores LIST] [--rounds N] [--seconds S] RECORDING.ts
//
// Each round runs the three sides one after another, each round starting with the
// next side. A side is a process of its own, pinned to the cores (default all),
// measured over S seconds (default 10) of steady play: from 1 s after our play
// button was clicked, from 2 s after ffplay was started. CPU is utime + stime of
// /proc/PID/stat, all threads; the median of the rounds is printed. ffplay plays
// the sound to SDL's dummy driver (ours to its null output), in a window of our
// video window's size.
//
//   ombrel-bench-window --play [--gl] RECORDING.ts S
//
// is one of our sides: the program started on the recording, the recording
// selected and played, then "key value" lines: renderer, video_width,
// video_height, cpu_per_s, fps (pictures painted a second).
#include "BenchEvents.h"
#include "BenchProcess.h"
#include "app/Main.h"
#include "app/Program.h"
#include "app/ProgramApplication.h"
#include "app/VideoWindow.h"
#include "media/AudioDevice.h"
#include "media/GlVideoRenderer.h"
#include "platform/MessageBox.h"
#include "views/FileSelectFrame.h"
#include "views/PlayControlFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

using bench::RunEventLoop;
using bench::WaitFor;

namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kOurSettleMs = 1000;
constexpr int kToolSettleMs = 2000;

// utime + stime of a process, in seconds; nothing when it cannot be read.
std::optional<double> CpuSeconds(pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = stat.readAll();
    // The name may hold spaces: the fields are counted from its closing parenthesis.
    const int close = text.lastIndexOf(')');
    if (close < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    if (fields.size() < 13) {
        return std::nullopt;
    }
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) / ticks;
}

// Counts the paints of the video window's renderer widgets.
class PaintCount : public QObject {
  public:
    void Watch(QWidget* window) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }
    int Paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints_ += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }

  private:
    int paints_ = 0;
};

int PlaySide(const QString& recording, int seconds) {
    app::Program program(
        QDir(QDir::tempPath()).filePath(QStringLiteral("ombrel-window-%1.lock").arg(getpid())));
    if (program.Start({QCoreApplication::applicationFilePath(), recording}) !=
        app::Program::StartResult::Started) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    program.ShowMainWindow();
    // A click on the drive's row makes it the play list, as the user selects it.
    if (!WaitFor([] { return FormMain->FileSelectFrame->Records().RowCount() > 0; },
                 kLoadTimeoutMs)) {
        std::fprintf(stderr, "the recording was not listed\n");
        return 1;
    }
    QTest::mouseClick(FormMain->FileSelectFrame, Qt::LeftButton, {}, QPoint(100, 85));
    if (!WaitFor([] { return FormMain->PlayList().Items().size() == 1; }, kLoadTimeoutMs)) {
        std::fprintf(stderr, "the recording was not opened\n");
        return 1;
    }
    RunEventLoop(500);
    PaintCount paints;
    paints.Watch(FormMain->VideoWnd);
    FormMain->PlayControlPanel->PlayButtonClick(nullptr);
    RunEventLoop(kOurSettleMs);
    const std::optional<double> cpuBefore = CpuSeconds(getpid());
    const int paintsBefore = paints.Paints();
    QElapsedTimer timer;
    timer.start();
    RunEventLoop(seconds * 1000);
    const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const std::optional<double> cpuAfter = CpuSeconds(getpid());
    if (!cpuBefore || !cpuAfter || FormMain->PlayList().CurrentPlayer() == nullptr) {
        std::fprintf(stderr, "no measurement\n");
        return 1;
    }
    const bool gl = FormMain->VideoWnd->findChild<QWidget*>(QStringLiteral("EVR")) != nullptr;
    std::printf("renderer %s\n", gl ? "gl" : "raster");
    std::printf("video_width %d\nvideo_height %d\n", FormMain->VideoWnd->width(),
                FormMain->VideoWnd->height());
    std::printf("cpu_per_s %.4f\nfps %.2f\n", (*cpuAfter - *cpuBefore) / wall,
                (paints.Paints() - paintsBefore) / wall);
    std::fflush(stdout);
    return platform::MessageBox::Recorded().empty() ? 0 : 1;
}

// ffplay on `cores`, its CPU a second over `seconds` from kToolSettleMs after its
// start; nothing when it could not be run or ended early.
std::optional<double> FfplaySide(const QString& recording, int width, int height, int seconds,
                                 const std::vector<int>& cores) {
    const QByteArray path = QFile::encodeName(recording);
    const QByteArray x = QByteArray::number(width);
    const QByteArray y = QByteArray::number(height);
    const pid_t pid = fork();
    if (pid < 0) {
        return std::nullopt;
    }
    if (pid == 0) {
        if (!cores.empty()) {
            cpu_set_t set;
            CPU_ZERO(&set);
            for (int core : cores) {
                CPU_SET(core, &set);
            }
            sched_setaffinity(0, sizeof(set), &set);
        }
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execlp("ffplay", "ffplay", "-hide_banner", "-loglevel", "error", "-autoexit", "-x",
               x.constData(), "-y", y.constData(), path.constData(), nullptr);
        _exit(127);
    }
    usleep(kToolSettleMs * 1000);
    const std::optional<double> before = CpuSeconds(pid);
    QElapsedTimer timer;
    timer.start();
    usleep(static_cast<useconds_t>(seconds) * 1000000);
    const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const std::optional<double> after = CpuSeconds(pid);
    int status = 0;
    const bool running = waitpid(pid, &status, WNOHANG) == 0;
    if (running) {
        kill(pid, SIGTERM);
        // SDL may sit in its event wait: after a while it is killed.
        for (int wait = 0; wait < 50 && waitpid(pid, &status, WNOHANG) == 0; ++wait) {
            usleep(100000);
        }
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    if (!running || !before || !after) {
        return std::nullopt;
    }
    return (*after - *before) / wall;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Options {
    std::vector<int> cores;
    QString coreText = QStringLiteral("all");
    int rounds = 5;
    int seconds = 10;
    QString recording;
};

std::optional<Options> ParseOptions(QStringList args) {
    Options options;
    while (args.size() > 1 && args.front().startsWith(QStringLiteral("--"))) {
        const QString name = args.takeFirst();
        const QString value = args.takeFirst();
        if (name == QStringLiteral("--cores")) {
            options.cores = bench::ParseCores(value);
            options.coreText = value;
            if (options.cores.empty()) {
                return std::nullopt;
            }
        } else if (name == QStringLiteral("--rounds") && value.toInt() > 0) {
            options.rounds = value.toInt();
        } else if (name == QStringLiteral("--seconds") && value.toInt() > 0) {
            options.seconds = value.toInt();
        } else {
            return std::nullopt;
        }
    }
    if (args.size() != 1 || !QFile::exists(args.front())) {
        return std::nullopt;
    }
    options.recording = args.front();
    return options;
}

struct OurRun {
    bool ok = false;
    QString renderer;
    int width = 0;
    int height = 0;
    double cpuPerSecond = 0;
    double fps = 0;
};

OurRun RunOurs(const char* self, const Options& options, bool gl) {
    QStringList command{QString::fromLocal8Bit(self), QStringLiteral("--play")};
    if (gl) {
        command << QStringLiteral("--gl");
    }
    command << options.recording << QString::number(options.seconds);
    const bench::ChildRun child = bench::RunChild(command, options.cores, true);
    OurRun run;
    run.ok = child.ok;
    run.renderer =
        child.output.contains("renderer gl") ? QStringLiteral("gl") : QStringLiteral("raster");
    run.width = static_cast<int>(bench::ChildValue(child.output, "video_width"));
    run.height = static_cast<int>(bench::ChildValue(child.output, "video_height"));
    run.cpuPerSecond = bench::ChildValue(child.output, "cpu_per_s");
    run.fps = bench::ChildValue(child.output, "fps");
    return run;
}

int Drive(const char* self, const Options& options) {
    std::vector<double> ours, oursFps, forced, forcedFps, tool;
    QString renderer;
    QString forcedRenderer;
    int width = 0;
    int height = 0;
    for (int round = 0; round < options.rounds; ++round) {
        // Ours first in the first round: it gives the window size.
        for (int turn = 0; turn < 3; ++turn) {
            const int side = round == 0 ? turn : (round + turn) % 3;
            std::fprintf(stderr, "round %d: %s\n", round + 1,
                         side == 0 ? "ours" : (side == 1 ? "ours, GL forced" : "ffplay"));
            if (side == 2 && width == 0) {
                continue;
            }
            if (side == 2) {
                const std::optional<double> cpu =
                    FfplaySide(options.recording, width, height, options.seconds, options.cores);
                if (!cpu) {
                    std::fprintf(stderr, "ffplay could not be measured\n");
                    return 1;
                }
                tool.push_back(*cpu);
                continue;
            }
            const OurRun run = RunOurs(self, options, side == 1);
            if (!run.ok) {
                std::fprintf(stderr, "our side failed\n");
                return 1;
            }
            (side == 1 ? forced : ours).push_back(run.cpuPerSecond);
            (side == 1 ? forcedFps : oursFps).push_back(run.fps);
            (side == 1 ? forcedRenderer : renderer) = run.renderer;
            if (side == 0) {
                width = run.width;
                height = run.height;
            }
        }
    }
    std::printf(
        "1080p playback in the main window, video window %dx%d, cores %s, %d rounds of "
        "%d s\n",
        width, height, qPrintable(options.coreText), options.rounds, options.seconds);
    std::printf("%-40s %6.3f CPU s/s  %5.1f pictures/s\n",
                qPrintable(QStringLiteral("ours (%1 renderer)").arg(renderer)), Median(ours),
                Median(oursFps));
    std::printf("%-40s %6.3f CPU s/s  %5.1f pictures/s\n",
                qPrintable(QStringLiteral("ours, GL forced (%1 renderer)").arg(forcedRenderer)),
                Median(forced), Median(forcedFps));
    std::printf("%-40s %6.3f CPU s/s\n", "ffplay, same window size", Median(tool));
    const double ratio = Median(ours) / Median(tool);
    std::printf("ours / ffplay: %.2fx (goal <= 1.00x) %s\n", ratio,
                ratio <= 1.0 ? "met" : "MISSED");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList args = bench::Arguments(argc, argv);
    if (!args.isEmpty() && args.front() == QStringLiteral("--play")) {
        const bool gl = args.size() > 1 && args[1] == QStringLiteral("--gl");
        const QStringList rest = args.mid(gl ? 2 : 1);
        if (rest.size() != 2) {
            return 2;
        }
        app::Program::PrepareApplication();
        app::ProgramApplication application(argc, argv);
        // A private settings file (the first start writes its defaults), no sound
        // device, and any box recorded rather than waited on.
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        media::UseNullAudioDevice(true);
        platform::MessageBox::StartRecording();
        media::GlVideoRenderer::AcceptSoftwareRasteriser(gl);
        return PlaySide(rest[0], rest[1].toInt());
    }
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        std::fprintf(stderr,
                     "usage: ombrel-bench-window [--cores LIST] [--rounds N] [--seconds S] "
                     "RECORDING.ts\n");
        return 2;
    }
    return Drive(argv[0], *options);
}
