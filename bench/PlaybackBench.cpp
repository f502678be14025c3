// Our player against the ffmpeg tools, every run in a process of its own pinned to
// the same cores, the sides taking turns round by round. Decoders run with the
// same thread policy on both sides: as many threads as the cores allow (libavcodec's
// automatic count, which follows the CPU affinity).
//
//   ombrel-bench-playback [--cores LIST] [--rounds N] [--sections LIST]
//                         --tiny TINY.ts RECORDING.ts...
//
// Sections (all by default): first, seek, present, memory, audio.
//   first    first picture of a warm file: open, pause, until the picture is painted;
//            the floor is the first key frame read and decoded alone
//            (ombrel-bench-decode --first); against ffmpeg -i f -frames:v 1 -f null - net.
//   seek     paused exact seeks to fixed targets, each until its picture is painted;
//            held to the same decode in one bare loop of libavformat and libavcodec
//            (ombrel-bench-decode: the same targets, the same decoder threads), which
//            holds the decoder's own latency; beside ffmpeg doing the same work, net
//            of ffmpeg -i f -frames:v 1, and the pictures from the key frame at the
//            single-stream decode rate (as in present), which leaves that latency out.
//   present  frame steps from the first picture, each picture converted and
//            painted; against ffmpeg decoding as many pictures to -f null, net of
//            its run that stops at the first picture.
//   memory   resident memory over 10 s of play (peak), minus a bare Qt process with the
//            window shown (peak); against ffplay -nodisp's whole process (peak) (and, for
//            reference, ffplay decoding the pictures into a dummy display and ffmpeg
//            -f null). First recording only.
//   audio    how far sound strays from the clock at four rates. First recording only.
//
// The tools' start-up is their run on TINY.ts, subtracted from their times; our
// player's times leave its start-up out (see ombrel-bench-player).
#include "BenchOptions.h"
#include "BenchProcess.h"
#include "BenchTiming.h"
#include "Ffprobe.h"
#include "PageCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

using namespace bench;

namespace {

constexpr double kFirstPictureGoalMs = 150.0;
constexpr double kSeekMedianGoal = 1.05;  // x the bare loop, median over the targets
constexpr double kSeekWorstGoal = 1.2;    // x the bare loop, the worst target
// Where in its GOP each seek target lies (pictures after the key frame, at 30 a
// second): from the key frame itself to the GOP's last picture.
constexpr int kSeekPlaces[] = {0, 6, 12, 18, 24, 29};
// The tool's -ss goes this far before the key frame: its time stamp search must
// not land on the picture after it.
constexpr double kBeforeKey = 0.001;

constexpr int kRounds = 3;
constexpr int kPictures = 300;
constexpr int kMemorySeconds = 10;

struct Options : BenchOptions {
    QString player;   // ombrel-bench-player beside this program
    QString decoder;  // ombrel-bench-decode beside it
    int pictures = kPictures;
    int memorySeconds = kMemorySeconds;
};

QString Label(const QString& path) {
    const QFileInfo info(path);
    return QStringLiteral("%1/%2 (%3 MB)")
        .arg(info.dir().dirName(), info.fileName())
        .arg(static_cast<double>(info.size()) / 1e6, 0, 'f', 1);
}

QStringList Ffmpeg(const QStringList& beforeInput, const QString& path,
                   const QStringList& afterInput,
                   const QString& logLevel = QStringLiteral("error")) {
    return QStringList{QStringLiteral("ffmpeg"), QStringLiteral("-nostdin"), QStringLiteral("-v"),
                       logLevel} +
           beforeInput + QStringList{QStringLiteral("-i"), path} + afterInput +
           QStringList{QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")};
}

QStringList FirstPictureTool(const QString& path) {
    return Ffmpeg({}, path, {QStringLiteral("-frames:v"), QStringLiteral("1")});
}

QStringList DecodeTool(const QString& path, int pictures) {
    return Ffmpeg({}, path,
                  {QStringLiteral("-an"), QStringLiteral("-frames:v"), QString::number(pictures)});
}

// The tool's decode rate in pictures a second: the pictures after the first over
// the time they add to a run that stops at the first (which holds the start-up,
// the probing of the file and the first picture).
double DecodeRate(const std::vector<double>& added, int pictures) {
    return (pictures - 1) / Median(added) * 1000.0;
}

// A run of a tool, timed from its start to its end.
TimedRun Tool(const QStringList& command, const Options& options) {
    return [command, &options]() -> std::optional<double> {
        const ChildRun run = RunChild(command, options.cores);
        return run.ok ? std::optional<double>(run.wallMs) : std::nullopt;
    };
}

// A run of one of our programs, its output kept in `outputs`.
std::function<bool()> ChildStep(const QStringList& command, const Options& options,
                                std::vector<QByteArray>& outputs) {
    return [command, &options, &outputs] {
        const ChildRun run = RunChild(command, options.cores, true);
        outputs.push_back(run.output);
        if (!run.ok) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(command.join(' ')));
        }
        return run.ok;
    };
}

// A run of our player.
std::function<bool()> PlayerStep(const QStringList& arguments, const Options& options,
                                 std::vector<QByteArray>& outputs) {
    return ChildStep(QStringList{options.player} + arguments, options, outputs);
}

std::vector<double> Values(const std::vector<QByteArray>& outputs, const char* key) {
    std::vector<double> values;
    for (const QByteArray& output : outputs) {
        const std::vector<double> some = ChildValues(output, key);
        values.insert(values.end(), some.begin(), some.end());
    }
    return values;
}

// The `index`th value under `key` of each output.
std::vector<double> NthValues(const std::vector<QByteArray>& outputs, const char* key,
                              std::size_t index) {
    std::vector<double> values;
    for (const QByteArray& output : outputs) {
        const std::vector<double> all = ChildValues(output, key);
        if (index < all.size()) {
            values.push_back(all[index]);
        }
    }
    return values;
}

QString RendererName(const std::vector<QByteArray>& outputs) {
    return Median(Values(outputs, "renderer_gl")) > 0.5 ? QStringLiteral("GL renderer")
                                                        : QStringLiteral("raster renderer");
}

void PrintHeader(const char* what, const QString& path, const Options& options,
                 const QString& more) {
    std::printf("%s: %s, cores %s%s\n", what, qPrintable(Label(path)), qPrintable(options.coreText),
                qPrintable(more));
}

bool BenchFirstPicture(const QString& path, const Options& options) {
    std::vector<QByteArray> ours, floor;
    std::vector<double> tool, startup;
    if (!TakeTurns(options.rounds,
                   {PlayerStep({QStringLiteral("first-picture"), path}, options, ours),
                    ChildStep({options.decoder, QStringLiteral("--first"), path}, options, floor),
                    NetStep(Tool(FirstPictureTool(path), options),
                            Tool(FirstPictureTool(options.tiny), options), tool, startup)})) {
        return false;
    }
    PrintHeader("first picture", path, options,
                QStringLiteral(", raster renderer; ffmpeg start-up %1 ms subtracted")
                    .arg(Median(startup), 0, 'f', 1));
    PrintFigure(QStringLiteral("first picture, warm"), QStringLiteral("ms"),
                Median(Values(ours, "first_picture_ms")),
                {QStringLiteral("the first key frame read and decoded alone"),
                 Median(Values(floor, "key_decode_ms"))},
                {QStringLiteral("ffmpeg -frames:v 1 net"), Median(tool)},
                {{kFirstPictureGoalMs, Better::Lower, QStringLiteral("absolute")}});
    std::printf("  (of which opening: %.1f ms; the index of the rest is built meanwhile)\n",
                Median(Values(ours, "open_ms")));
    return true;
}

// ---- exact seek

// Targets spread over the recording and over the places in a GOP.
QStringList SeekTargets(double duration) {
    QStringList targets;
    const int count = static_cast<int>(std::size(kSeekPlaces));
    for (int k = 0; k < count; ++k) {
        const double second = 2.0 + std::floor((duration - 5.0) * k / count);
        targets << QString::number(second + kSeekPlaces[k] / 30.0, 'f', 4);
    }
    return targets;
}

bool BenchSeek(const QString& path, const Options& options) {
    const std::vector<VideoPacket> packets = VideoPackets(path);
    const double start = StartTime(path);
    if (packets.size() < 2 || start < 0) {
        return false;
    }
    const double duration = static_cast<double>(packets.size()) / 30.0;
    const QStringList targets = SeekTargets(duration);
    std::vector<SeekWork> work;
    std::vector<QByteArray> ours, bare;
    std::vector<double> decode, decodeOne, baseline;
    std::vector<std::vector<double>> tool(static_cast<std::size_t>(targets.size()));
    std::vector<std::function<bool()>> steps = {
        PlayerStep(QStringList{QStringLiteral("seek"), path} + targets, options, ours),
        ChildStep(QStringList{options.decoder, path} + targets, options, bare),
        NetStep(Tool(DecodeTool(path, options.pictures), options),
                Tool(DecodeTool(path, 1), options), decode, decodeOne)};
    for (int i = 0; i < targets.size(); ++i) {
        work.push_back(SeekWorkFor(packets, targets[i].toDouble()));
        // The tool's exact seek: from the key frame (its -ss a hair before it, on its
        // own clock) as many pictures as lead to the target. Its own -ss to the
        // target would land on any packet (its MPEG-TS time stamp search takes each
        // for a key frame) and show a later picture. Landing before the key frame,
        // it decodes a few pictures of the GOP before without their references:
        // the errors that follow are expected.
        const double key = work.back().keyClock - start - kBeforeKey;
        const QStringList seek =
            Ffmpeg({QStringLiteral("-ss"), QString::number(key, 'f', 4)}, path,
                   {QStringLiteral("-frames:v"), QString::number(work.back().displayPictures)},
                   QStringLiteral("fatal"));
        steps.push_back(NetStep(Tool(seek, options), Tool(FirstPictureTool(path), options),
                                tool[static_cast<std::size_t>(i)], baseline));
    }
    if (!TakeTurns(options.rounds, steps)) {
        return false;
    }
    const double rate = DecodeRate(decode, options.pictures);
    PrintHeader("exact seek, paused", path, options,
                QStringLiteral("; decode rate %1 fps (ffmpeg -an -frames:v %2, net of one picture)")
                    .arg(rate, 0, 'f', 0)
                    .arg(options.pictures));
    std::printf("  %8s %8s %9s %9s %11s %9s %9s\n", "target s", "pictures", "rate ms", "ours ms",
                "ffmpeg net", "loop ms", "ours/loop");
    std::vector<double> oursMs, rateMs, toolMs, loopMs, ratios;
    for (int i = 0; i < targets.size(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        const int pictures = work[index].decodePictures;
        oursMs.push_back(Median(NthValues(ours, "seek_ms", index)));
        loopMs.push_back(Median(NthValues(bare, "decode_ms", index)));
        rateMs.push_back(pictures / rate * 1000.0);
        toolMs.push_back(Median(tool[index]));
        ratios.push_back(oursMs.back() / loopMs.back());
        std::printf("  %8s %8d %9.1f %9.1f %11.1f %9.1f %9.2f\n", qPrintable(targets[i]), pictures,
                    rateMs.back(), oursMs.back(), toolMs.back(), loopMs.back(), ratios.back());
    }
    // The targets' own ratios: each seek is held to the loop's same work.
    const double medianRatio = Median(ratios);
    PrintFigure(QStringLiteral("median of ours/loop over the targets"), QStringLiteral("x"),
                medianRatio, {}, {},
                {{kSeekMedianGoal, Better::Lower, QStringLiteral("1.05x the bare loop")}});
    const auto worst = std::max_element(ratios.begin(), ratios.end()) - ratios.begin();
    const auto at = static_cast<std::size_t>(worst);
    PrintFigure(
        QStringLiteral("worst ours/loop (target %1 s)").arg(targets[worst]), QStringLiteral("ms"),
        oursMs[at], {QStringLiteral("bare loop"), loopMs[at]},
        {QStringLiteral("ffmpeg -ss net"), toolMs[at]},
        {{kSeekWorstGoal * loopMs[at], Better::Lower, QStringLiteral("1.2x the bare loop")}});
    std::vector<double> pipeline;
    for (std::size_t i = 0; i < oursMs.size(); ++i) {
        pipeline.push_back(oursMs[i] - loopMs[i]);
    }
    std::printf(
        "  (medians over the targets: ours %.1f ms, bare loop %.1f ms, ffmpeg -ss net %.1f ms, "
        "pictures at the decode rate %.1f ms; ours minus the loop %.1f ms; longest seek "
        "%.1f ms; the first seek after opening, to 1 s, %.1f ms)\n",
        Median(oursMs), Median(loopMs), Median(toolMs), Median(rateMs), Median(pipeline),
        Worst(oursMs), Median(Values(ours, "first_seek_ms")));
    return true;
}

bool BenchPresent(const QString& path, const Options& options) {
    std::vector<QByteArray> ours;
    std::vector<double> decode, decodeOne;
    const QString count = QString::number(options.pictures);
    if (!TakeTurns(options.rounds,
                   {PlayerStep({QStringLiteral("present"), path, count}, options, ours),
                    NetStep(Tool(DecodeTool(path, options.pictures), options),
                            Tool(DecodeTool(path, 1), options), decode, decodeOne)})) {
        return false;
    }
    const double toolFps = DecodeRate(decode, options.pictures);
    PrintHeader("decode+present", path, options,
                QStringLiteral(", %1; %2 frame steps, each picture painted")
                    .arg(RendererName(ours))
                    .arg(options.pictures));
    PrintFigure(
        QStringLiteral("rate"), QStringLiteral("fps"), Median(Values(ours, "fps")), {},
        {QStringLiteral("ffmpeg -an -frames:v %1 -f null, net of one picture").arg(count), toolFps},
        {{toolFps, Better::Higher, QStringLiteral("1.0x ffmpeg decode")}});
    return true;
}

bool BenchMemory(const QString& path, const Options& options) {
    const QString seconds = QString::number(options.memorySeconds);
    std::vector<QByteArray> ours, bare;
    std::vector<double> ffplay, ffplayVideo, ffmpeg;
    const auto peak = [&options](const QStringList& command, std::vector<double>& into) {
        return [command, &options, &into] {
            const ChildRun run = RunChild(command, options.cores);
            into.push_back(run.peakRssMiB);
            return run.ok;
        };
    };
    const QStringList ffplayCommand = {QStringLiteral("ffplay"), QStringLiteral("-v"),
                                       QStringLiteral("error"),  QStringLiteral("-autoexit"),
                                       QStringLiteral("-t"),     seconds,
                                       QStringLiteral("-x"),     QStringLiteral("960"),
                                       QStringLiteral("-y"),     QStringLiteral("540")};
    // No sound device and no display: ffplay plays into SDL's dummy drivers. With
    // -nodisp it does not decode the pictures at all, so it also runs with a
    // (dummy) window for reference.
    qputenv("SDL_AUDIODRIVER", "dummy");
    qputenv("SDL_VIDEODRIVER", "dummy");
    const bool ran =
        TakeTurns(1, {PlayerStep({QStringLiteral("play"), path, seconds}, options, ours),
                      PlayerStep({QStringLiteral("bare"), seconds}, options, bare),
                      peak(ffplayCommand + QStringList{QStringLiteral("-nodisp"), path}, ffplay),
                      peak(ffplayCommand + QStringList{path}, ffplayVideo),
                      peak(Ffmpeg({}, path, {QStringLiteral("-t"), seconds}), ffmpeg)});
    if (!ran) {
        return false;
    }
    const double rss = Median(Values(ours, "rss_mib"));
    const double oursPeak = Median(Values(ours, "peak_mib"));
    const double baseline = Median(Values(bare, "rss_mib"));
    const double baselinePeak = Median(Values(bare, "peak_mib"));
    PrintHeader("memory after play", path, options,
                QStringLiteral("; %1 s played; ours %2 MiB (peak %3), bare Qt process %4 MiB "
                               "(peak %5)")
                    .arg(seconds)
                    .arg(rss, 0, 'f', 1)
                    .arg(oursPeak, 0, 'f', 1)
                    .arg(baseline, 0, 'f', 1)
                    .arg(baselinePeak, 0, 'f', 1));
    // The tools' figure is their peak (all a parent learns of a child): ours is
    // held to it by its peak too. What ours holds at the end is printed beside.
    PrintFigure(QStringLiteral("ours minus bare Qt, peaks"), QStringLiteral("MiB"),
                oursPeak - baselinePeak, {},
                {QStringLiteral("ffplay -nodisp whole, peak"), Median(ffplay)},
                {{Median(ffplay), Better::Lower, QStringLiteral("ffplay's whole process")}});
    std::printf("  (ours minus bare Qt at the end of the play: %.1f MiB)\n", rss - baseline);
    std::printf(
        "  (for reference, peaks: ffplay decoding the pictures too, into SDL's dummy "
        "display, %.1f MiB; ffmpeg -t %s -f null %.1f MiB)\n",
        Median(ffplayVideo), qPrintable(seconds), Median(ffmpeg));
    return true;
}

bool BenchAudio(const QString& path, const Options& options) {
    const ChildRun run =
        RunChild({options.player, QStringLiteral("audio-offset"), path}, options.cores, true);
    const std::vector<double> offsets = ChildValues(run.output, "worst_offset_ms");
    const double rates[] = {0.5, 1.0, 2.0, 3.0};
    PrintHeader("sound against the clock", path, options, {});
    for (std::size_t i = 0; i < offsets.size() && i < 4; ++i) {
        std::printf("  rate %.2f: worst offset %.1f ms (corrected beyond 40 ms)\n", rates[i],
                    offsets[i]);
    }
    return run.ok && offsets.size() == 4;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<BenchOptions> parsed = ParseBenchOptions(Arguments(argc, argv), kRounds);
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: ombrel-bench-playback [--cores LIST] [--rounds N] "
                     "[--sections first,seek,present,memory,audio] --tiny TINY.ts "
                     "RECORDING.ts...\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QDir here(QCoreApplication::applicationDirPath());
    const Options options{*parsed, here.filePath(QStringLiteral("ombrel-bench-player")),
                          here.filePath(QStringLiteral("ombrel-bench-decode"))};
    const auto wants = [&](const char* section) {
        return options.sections.isEmpty() ||
               options.sections.contains(QString::fromLatin1(section));
    };
    bool ok = true;
    for (const QString& path : options.recordings) {
        ok = ok && ReadIntoPageCache({path, options.tiny});
        ok = ok && (!wants("first") || BenchFirstPicture(path, options));
        ok = ok && (!wants("seek") || BenchSeek(path, options));
        ok = ok && (!wants("present") || BenchPresent(path, options));
        if (path == options.recordings.front()) {
            ok = ok && (!wants("memory") || BenchMemory(path, options));
            ok = ok && (!wants("audio") || BenchAudio(path, options));
        }
    }
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
    }
    return ok ? 0 : 1;
}
