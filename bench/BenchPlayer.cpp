// One measurement of our player in a process of its own, started by
// ombrel-bench-playback (or by hand, under perf). It prints "key value" lines; the
// times leave out the process's and Qt's start-up, as the tools' are net of theirs.
//
//   ombrel-bench-player first-picture FILE   open_ms, first_picture_ms
//   ombrel-bench-player seek FILE T...       first_seek_ms (to 1 s), then seek_ms per
//                                            target: paused seek to T s, until its
//                                            picture is painted
//   ombrel-bench-player present FILE N       present_ms, fps: N frame steps from the
//                                            first picture, each painted
//   ombrel-bench-player play FILE SECONDS    rss_mib, peak_mib after SECONDS of play
//   ombrel-bench-player bare SECONDS         rss_mib, peak_mib of Qt with the window
//                                            shown and no file
//   ombrel-bench-player audio-offset FILE    worst_offset_ms per rate 0.5, 1, 2, 3
//
// The video window is 960x540. Which renderer paints depends on the platform:
// offscreen gives a raster one, an X server with GL the GL one (a software
// rasteriser accepted). A picture's paint
// is the first paint after it was asked for; the GL widget paints more often than
// asked (when the window starts composing with GL), so first-picture and seek,
// which time one paint, take the raster renderer only.
#include "BenchEvents.h"
#include "media/AudioDevice.h"
#include "media/AudioRendererFilter.h"
#include "media/ClassIds.h"
#include "media/FilterFactory.h"
#include "media/FilterGraph.h"
#include "media/GlVideoRenderer.h"
#include "platform/HeapPolicy.h"
#include "playback/DSvideo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <cstdio>
#include <optional>

using bench::RunEventLoop;

namespace {

constexpr int kPaintTimeoutMs = 10000;
constexpr int kBlankPaintTimeoutMs = 2000;
constexpr double kFirstSeekSeconds = 1.0;

double ElapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Counts the paints of the widgets it watches and ends a wait for the next one.
// The loop quits at the paint event, so it returns once that paint and the flush
// that follows it are done.
class PaintWatch : public QObject {
  public:
    void Watch(QWidget* window) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }

    // Blocks in an event loop until the next paint; false after the time-out.
    bool WaitForPaint(int timeoutMs = kPaintTimeoutMs) {
        const int before = paints_;
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        waiting_ = &loop;
        loop.exec();
        waiting_ = nullptr;
        return paints_ > before;
    }

    int Paints() const { return paints_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints_;
            if (waiting_ != nullptr) {
                waiting_->quit();
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    int paints_ = 0;
    QEventLoop* waiting_ = nullptr;
};

bool WaitForExposed(QWidget& window) {
    QElapsedTimer timer;
    timer.start();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        if (timer.elapsed() > kPaintTimeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// VmRSS and VmHWM of this process, MiB.
std::pair<double, double> ResidentMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    double rss = -1;
    double peak = -1;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "VmRSS:") {
                rss = fields[1].toDouble() / 1024.0;
            } else if (fields.size() >= 2 && fields[0] == "VmHWM:") {
                peak = fields[1].toDouble() / 1024.0;
            }
        }
    }
    return {rss, peak};
}

// The player in the window, opened and paused on its first picture, as a player
// shows a recording when the user picks it.
class OpenedPlayer {
  public:
    explicit OpenedPlayer(QWidget& window) : window_(window), player_(&window) {}

    bool Open(const QString& path) {
        QElapsedTimer timer;
        timer.start();
        if (player_.OpenFile(path) != 0) {
            return false;
        }
        openMs_ = ElapsedMs(timer);
        watch_.Watch(&window_);
        // The video area shows (black) before the first picture comes; without that
        // paint the next one could be it, not the picture.
        player_.SetVideoRect(nullptr);
        if (!watch_.WaitForPaint(kBlankPaintTimeoutMs)) {
            std::fprintf(stderr, "the video area was not painted when it showed\n");
            return false;
        }
        player_.Pause();
        const bool painted = watch_.WaitForPaint();
        firstPictureMs_ = ElapsedMs(timer);
        return painted;
    }

    bool GlRenderer() const {
        for (const QWidget* child : window_.findChildren<QWidget*>()) {
            if (child->inherits("QOpenGLWidget")) {
                return true;
            }
        }
        return false;
    }

    DShowPlayer& Player() { return player_; }
    PaintWatch& Watch() { return watch_; }
    double OpenMs() const { return openMs_; }
    double FirstPictureMs() const { return firstPictureMs_; }

  private:
    QWidget& window_;
    DShowPlayer player_;
    PaintWatch watch_;
    double openMs_ = 0;
    double firstPictureMs_ = 0;
};

// False (with a message) when the GL renderer paints: its extra paints would be
// taken for pictures.
bool RasterOnly(const OpenedPlayer& opened) {
    if (opened.GlRenderer()) {
        std::fprintf(stderr, "timed with the raster renderer only: QT_QPA_PLATFORM=offscreen\n");
        return false;
    }
    return true;
}

int FirstPicture(QWidget& window, const QString& path) {
    OpenedPlayer opened(window);
    if (!opened.Open(path) || !RasterOnly(opened)) {
        return 1;
    }
    std::printf("open_ms %.3f\nfirst_picture_ms %.3f\n", opened.OpenMs(), opened.FirstPictureMs());
    return 0;
}

// Times one paused seek until its picture is painted; -1 when none is.
double TimedSeek(OpenedPlayer& opened, double seconds) {
    QElapsedTimer timer;
    timer.start();
    opened.Player().SeekSeconds(seconds);
    return opened.Watch().WaitForPaint() ? ElapsedMs(timer) : -1.0;
}

int Seek(QWidget& window, const QString& path, const QStringList& targets) {
    OpenedPlayer opened(window);
    if (!opened.Open(path) || !RasterOnly(opened)) {
        return 1;
    }
    // The first seek after opening pays for what later ones find ready: it is
    // reported on its own.
    const double first = TimedSeek(opened, kFirstSeekSeconds);
    if (first < 0) {
        return 1;
    }
    std::printf("first_seek_ms %.3f\n", first);
    for (const QString& target : targets) {
        const double ms = TimedSeek(opened, target.toDouble());
        if (ms < 0) {
            return 1;
        }
        std::printf("seek_ms %.3f\n", ms);
    }
    // One paint per seek: another one would have been taken for a seek's picture.
    opened.Watch().WaitForPaint(kBlankPaintTimeoutMs);
    const int expected = 3 + static_cast<int>(targets.size());
    if (opened.Watch().Paints() != expected) {
        std::fprintf(stderr, "%d paints where %d were expected\n", opened.Watch().Paints(),
                     expected);
        return 1;
    }
    return 0;
}

int Present(QWidget& window, const QString& path, int pictures) {
    OpenedPlayer opened(window);
    if (!opened.Open(path)) {
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < pictures; ++i) {
        opened.Player().StepOneFrame();
        if (!opened.Watch().WaitForPaint()) {
            return 1;
        }
    }
    const double ms = ElapsedMs(timer);
    std::printf("present_ms %.3f\nfps %.2f\nrenderer_gl %d\n", ms, pictures / ms * 1000.0,
                opened.GlRenderer() ? 1 : 0);
    return 0;
}

int Play(QWidget& window, const QString& path, int seconds) {
    OpenedPlayer opened(window);
    if (!opened.Open(path) || opened.Player().Play() != 0) {
        return 1;
    }
    RunEventLoop(seconds * 1000);
    const auto [rss, peak] = ResidentMemory();
    std::printf("rss_mib %.2f\npeak_mib %.2f\n", rss, peak);
    return 0;
}

int Bare(int seconds) {
    RunEventLoop(seconds * 1000);
    const auto [rss, peak] = ResidentMemory();
    std::printf("rss_mib %.2f\npeak_mib %.2f\n", rss, peak);
    return 0;
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
        RunEventLoop(20);
        if (timer.elapsed() > 300) {
            worst = std::max(worst, std::abs(renderer->Offset() / 10000.0));
        }
    }
    graph->Stop();
    return worst;
}

int AudioOffset(QWidget& window, const QString& path) {
    for (const double rate : {0.5, 1.0, 2.0, 3.0}) {
        std::printf("worst_offset_ms %.2f\n", WorstAudioOffset(path, window, rate));
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: ombrel-bench-player first-picture|seek|present|play|audio-offset FILE "
                 "[ARGS]\n       ombrel-bench-player bare SECONDS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The heap behaves as in the program (its entry sets this before anything else).
    platform::LimitHeapRetention();
    QApplication app(argc, argv);
    // The tools get no sound device either.
    media::UseNullAudioDevice(true);
    // The GL runs measure the GL renderer itself, which the player does not take on a
    // software rasteriser such as Xvfb's.
    media::GlVideoRenderer::AcceptSoftwareRasteriser(true);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        return Usage();
    }
    QWidget window;
    window.resize(960, 540);
    window.show();
    if (!WaitForExposed(window)) {
        std::fprintf(stderr, "the window is not shown\n");
        return 1;
    }
    const QString& mode = args[0];
    const QString& path = args[1];
    if (mode == QStringLiteral("bare")) {
        return Bare(path.toInt());
    }
    if (mode == QStringLiteral("first-picture")) {
        return FirstPicture(window, path);
    }
    if (mode == QStringLiteral("seek")) {
        return Seek(window, path, args.mid(2));
    }
    if (mode == QStringLiteral("present") && args.size() == 3) {
        return Present(window, path, args[2].toInt());
    }
    if (mode == QStringLiteral("play") && args.size() == 3) {
        return Play(window, path, args[2].toInt());
    }
    if (mode == QStringLiteral("audio-offset")) {
        return AudioOffset(window, path);
    }
    return Usage();
}
