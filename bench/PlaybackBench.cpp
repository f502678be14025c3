// Playback engine against the ffmpeg tool on a camera-like 1080p recording: open
// time, seek latency, step time, decode-and-present rate on two cores and peak
// memory, each printed beside the tool's and as a ratio.
#include "media/AudioDevice.h"
#include "media/AudioRendererFilter.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/FilterGraph.h"
#include "media/MediaTypes.h"
#include "playback/DSvideo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kSeconds = 20;
constexpr int kFps = 30;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Wall seconds of one run of the tool; -1 when it fails.
double TimeTool(const QStringList& arguments) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start("taskset", QStringList{"-c", "0,1", "ffmpeg"} + arguments);
    process.waitForFinished(600000);
    if (process.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", process.readAllStandardError().constData());
        return -1.0;
    }
    return timer.nsecsElapsed() * 1e-9;
}

bool MakeRecording(const QString& path) {
    return TimeTool({"-v",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QString("testsrc2=s=1920x1080:r=%1,noise=alls=12:allf=t").arg(kFps),
                     "-f",
                     "lavfi",
                     "-i",
                     "sine=f=440:r=48000",
                     "-t",
                     QString::number(kSeconds),
                     "-c:v",
                     "libx264",
                     "-preset",
                     "veryfast",
                     "-b:v",
                     "12M",
                     "-maxrate",
                     "12M",
                     "-bufsize",
                     "12M",
                     "-g",
                     QString::number(kFps),
                     "-bf",
                     "2",
                     "-c:a",
                     "aac",
                     "-streamid",
                     "0:0x1011",
                     "-streamid",
                     "1:0x1100",
                     "-f",
                     "mpegts",
                     path}) > 0;
}

// Peak memory of one decoding run of the tool, in MiB.
double ToolPeakMemory(const QString& path) {
    const QByteArray file = path.toLocal8Bit();
    const pid_t child = fork();
    if (child == 0) {
        execlp("ffmpeg", "ffmpeg", "-v", "error", "-threads", "2", "-i", file.constData(), "-f",
               "null", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Wall time of the tool starting and stopping with nothing to do, in ms.
double ToolStartup() {
    return 1000.0 * TimeTool({"-v", "error", "-f", "lavfi", "-i", "nullsrc=s=16x16", "-frames:v",
                              "1", "-f", "null", "-"});
}

void PinToTwoCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    CPU_SET(1, &set);
    sched_setaffinity(0, sizeof(set), &set);
}

void Row(const char* what, double ours, double theirs, const char* unit) {
    std::printf("%-34s ours %9.2f %-4s ffmpeg %9.2f %-4s ratio %.2f\n", what, ours, unit, theirs,
                unit, theirs > 0 ? ours / theirs : 0.0);
}

bool Grab(DShowPlayer& player) {
    media::BitmapInfoHeader header;
    std::uint8_t* bits = nullptr;
    const bool ok = player.GetCurrentImage(&header, &bits) >= 0;
    player.MemFreeCurrentImage(bits);
    return ok;
}

// The largest distance between what is heard and the clock (which the pictures
// follow) over 3 s of play at `rate`, in ms.
double WorstAudioOffset(const QString& path, QWidget& window, double rate) {
    using namespace media;
    std::shared_ptr<FilterGraph> graph;
    std::shared_ptr<BaseFilter> source;
    if (Failed(CreateInstance(CLSID_FilterGraph, graph)) ||
        Failed(graph->AddSourceFilter(path, QString(), source))) {
        return -1.0;
    }
    std::shared_ptr<BaseFilter> decoder;
    std::shared_ptr<BaseFilter> audio;
    CreateInstance(CLSID_LAVVideoDecoder, decoder);
    CreateInstance(CLSID_DSoundRender, audio);
    graph->AddFilter(decoder, "LAV Video Decoder");
    graph->AddFilter(audio, "Audio Renderer");
    CVMR9 video;
    video.Attach(graph, &window);
    std::unique_ptr<PinEnumerator> pins;
    source->EnumPins(pins);
    std::shared_ptr<Pin> pin;
    while (pins->Next(pin) == S_OK) {
        graph->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr);
    }
    graph->SetRate(rate);
    REFERENCE_TIME start = 2 * kUnitsPerSecond;
    graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    graph->Run();
    const auto* renderer = static_cast<AudioRendererFilter*>(audio.get());
    double worst = 0.0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
        if (timer.elapsed() > 300) {
            worst = std::max(worst, std::abs(renderer->Offset() / 10000.0));
        }
    }
    graph->Stop();
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    media::UseNullAudioDevice(true);
    QTemporaryDir folder;
    const QString path = folder.filePath("camera.ts");
    std::printf("making %d s of 1080p%d H.264 at 12 Mbit/s ...\n", kSeconds, kFps);
    if (!MakeRecording(path)) {
        return 1;
    }
    PinToTwoCores();
    QWidget window;
    window.resize(960, 540);
    window.show();

    // Open: our graph build with its index pass, beside ffprobe reading every packet.
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        DShowPlayer player(&window);
        QElapsedTimer timer;
        timer.start();
        if (player.OpenFile(path) != 0) {
            return 1;
        }
        opens.push_back(timer.nsecsElapsed() * 1e-6);
    }
    QElapsedTimer probe;
    probe.start();
    QProcess::execute("taskset", {"-c", "0,1", "ffprobe", "-v", "error", "-show_packets", "-of",
                                  "compact", "-o", "/dev/null", path});
    Row("open (ms)", Median(opens), probe.nsecsElapsed() * 1e-6, "ms");

    DShowPlayer player(&window);
    player.OpenFile(path);
    player.SetVideoRect(nullptr);
    player.Pause();
    Grab(player);

    // Seek latency: paused seek until the picture at the target is shown.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> target(0.0, kSeconds - 0.5);
    std::vector<double> seeks;
    for (int i = 0; i < 60; ++i) {
        QElapsedTimer timer;
        timer.start();
        player.SeekSeconds(target(random));
        Grab(player);
        seeks.push_back(timer.nsecsElapsed() * 1e-6);
        QCoreApplication::processEvents();
    }
    std::vector<double> toolSeeks;
    for (int i = 0; i < 8; ++i) {
        toolSeeks.push_back(1000.0 *
                            TimeTool({"-v", "error", "-ss", QString::number(target(random)), "-i",
                                      path, "-frames:v", "1", "-f", "null", "-"}));
    }
    std::printf("(the tool's seeks include its start-up of %.1f ms)\n", ToolStartup());
    Row("seek, median (ms)", Median(seeks), Median(toolSeeks), "ms");
    Row("seek, worst (ms)", *std::max_element(seeks.begin(), seeks.end()),
        *std::max_element(toolSeeks.begin(), toolSeeks.end()), "ms");

    // Steps, and decode-and-present with every picture shown.
    player.SeekSeconds(1.0);
    Grab(player);
    const int steps = 300;
    QElapsedTimer stepping;
    stepping.start();
    for (int i = 0; i < steps; ++i) {
        player.StepOneFrame();
        QCoreApplication::processEvents();
    }
    const double stepSeconds = stepping.nsecsElapsed() * 1e-9;
    const double toolDecode =
        TimeTool({"-v", "error", "-threads", "2", "-i", path, "-an", "-f", "null", "-"});
    const double toolFps = kSeconds * kFps / toolDecode;
    Row("step (ms)", 1000.0 * stepSeconds / steps, 1000.0 / toolFps, "ms");
    Row("decode+present, 2 cores (fps)", steps / stepSeconds, toolFps, "fps");

    // Peak memory while playing 3 s, beside the tool decoding the whole file.
    player.SeekSeconds(5.0);
    player.Play();
    QElapsedTimer playing;
    playing.start();
    while (playing.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    player.Stop();
    rusage ours{};
    getrusage(RUSAGE_SELF, &ours);
    Row("peak memory (MiB)", ours.ru_maxrss / 1024.0, ToolPeakMemory(path), "MiB");

    for (const double rate : {0.5, 1.0, 2.0, 3.0}) {
        std::printf("audio vs clock at rate %.2f, worst %6.1f ms (corrected beyond 40 ms)\n", rate,
                    WorstAudioOffset(path, window, rate));
    }
    return 0;
}
