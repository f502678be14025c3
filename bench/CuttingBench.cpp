// Cutting spans out of a drive of consecutive recordings: our cutting job against
// dd copying as many bytes through user space in 1 MiB blocks (the floor of a
// cutter that rewrites packets) and against ffmpeg -c copy over the same span (its
// concat demuxer with in and out points), in one run, the sides taking turns.
//
//   ombrel-bench-cutting [--cores LIST] [--rounds N] --tiny TINY.ts RECORDING.ts...
//
// Twice per span: with fsync on neither side (our job's flush to the device is
// skipped, see fsync below) and on both (dd conv=fsync, ffmpeg's clip fsynced once
// it exits, inside its time). Outputs are deleted and the file systems synced
// before each run, outside its time. The tools' start-up (the same command on
// TINY.ts) is subtracted.
#include "cutting/Cuttingproc.h"
#include "platform/WindowMessage.h"

#include "BenchOptions.h"
#include "BenchProcess.h"
#include "BenchTiming.h"
#include "Ffprobe.h"
#include "PageCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <optional>

using namespace bench;

namespace {

std::atomic<bool> skipFsync{false};
std::atomic<int> skippedFsyncs{0};

}  // namespace

// The job flushes its clip to the device when it closes it (platform::FileHandle);
// while skipFsync is set that call does nothing, so that the no-fsync comparison
// leaves every side's output in the page cache. Defined here, it stands in for the
// C library's in this program only.
extern "C" int fsync(int fd) {
    if (skipFsync.load()) {
        skippedFsyncs.fetch_add(1);
        return 0;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

constexpr double kFloorGoal = 1.3;     // ours <= 1.3x dd
constexpr double kFfmpegFactor = 4.0;  // ours >= 4x faster than ffmpeg net

struct Span {
    double start;
    double end;
};

using Options = BenchOptions;
constexpr int kRounds = 5;

// Quits the loop on the job's final message.
class FinalMessage : public QObject {
  public:
    bool event(QEvent* event) override {
        if (const auto* message = platform::WindowMessage::From(event, WM_CUTTING_EVENT)) {
            if (message->WParam() != 1) {
                result = static_cast<CutResult>(message->WParam());
                loop.quit();
            }
            return true;
        }
        return QObject::event(event);
    }
    QEventLoop loop;
    std::optional<CutResult> result;
};

// Our job from the start request to its final message, waited for in a blocking
// event loop; -1 when the cut fails.
double CutOurs(CuttingProc& job, FinalMessage& final, const FileItemList& playList,
               const QString& clip, const Span& span) {
    final.result.reset();
    QElapsedTimer timer;
    timer.start();
    if (job.StartCutting(playList, clip, span.start, span.end) != Cut_OK) {
        return -1;
    }
    final.loop.exec();
    const double ms = ElapsedMs(timer);
    job.ReleaseSelection();
    return final.result == Cut_OK ? ms : -1;
}

// The concat demuxer's list for the span: the files it covers, with the in point
// in the first and the out point in the last (on the file's own clock).
bool WriteConcatList(const FileItemList& playList, const Span& span, const QString& to) {
    QFile list(to);
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    double before = 0;
    for (const TFileItem* item : playList) {
        const double after = before + item->duration;
        if (after > span.start && before < span.end) {
            const double clock = StartTime(item->path) - before;
            list.write(QStringLiteral("file '%1'\n")
                           .arg(QFileInfo(item->path).absoluteFilePath())
                           .toUtf8());
            if (span.start > before) {
                list.write(QStringLiteral("inpoint %1\n").arg(clock + span.start).toUtf8());
            }
            if (span.end < after) {
                list.write(QStringLiteral("outpoint %1\n").arg(clock + span.end).toUtf8());
            }
        }
        before = after;
    }
    return true;
}

// The first `bytes` of the recordings, one after the other: what dd copies.
bool WriteLeadingBytes(const QStringList& paths, qint64 bytes, const QString& to) {
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (const QString& path : paths) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly)) {
            return false;
        }
        while (bytes > 0 && !in.atEnd()) {
            const QByteArray block = in.read(std::min<qint64>(bytes, 1 << 20));
            if (out.write(block) != block.size()) {
                return false;
            }
            bytes -= block.size();
        }
    }
    return bytes == 0 && out.flush();
}

QStringList FfmpegCopy(const QString& list, const QString& clip) {
    return {QStringLiteral("ffmpeg"),
            QStringLiteral("-nostdin"),
            QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-y"),
            QStringLiteral("-f"),
            QStringLiteral("concat"),
            QStringLiteral("-safe"),
            QStringLiteral("0"),
            QStringLiteral("-i"),
            list,
            QStringLiteral("-map"),
            QStringLiteral("0"),
            QStringLiteral("-c"),
            QStringLiteral("copy"),
            QStringLiteral("-f"),
            QStringLiteral("mpegts"),
            clip};
}

QStringList DdCopy(const QString& from, const QString& to, bool withFsync) {
    QStringList command = {QStringLiteral("dd"), QStringLiteral("if=") + from,
                           QStringLiteral("of=") + to, QStringLiteral("bs=1M"),
                           QStringLiteral("status=none")};
    if (withFsync) {
        command << QStringLiteral("conv=fsync");
    }
    return command;
}

bool FsyncFile(const QString& path) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::syscall(SYS_fsync, fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return ok;
}

// What one side's run leaves behind is removed and everything synced before it starts.
void ClearOutput(const QString& path) {
    QFile::remove(path);
    SyncAll();
}

// A tool's run: its output cleared first, then the run (plus its fsync when the
// tool cannot do it itself) timed.
TimedRun Tool(const QStringList& command, const QString& output, bool fsyncAfter,
              const Options& options) {
    return [=, &options]() -> std::optional<double> {
        ClearOutput(output);
        QElapsedTimer timer;
        timer.start();
        const ChildRun run = RunChild(command, options.cores);
        const bool synced = !fsyncAfter || FsyncFile(output);
        const double ms = ElapsedMs(timer);
        return run.ok && synced ? std::optional<double>(ms) : std::nullopt;
    };
}

struct SpanFiles {
    QString ours, ffmpeg, dd, sameBytes, list, tinyList, tinyOut;
};

bool BenchSpan(CuttingProc& job, FinalMessage& final, const FileItemList& playList,
               const Span& span, const Options& options, const SpanFiles& files) {
    // An untimed cut gives the clip's size, and so what dd copies.
    const double first = CutOurs(job, final, playList, files.ours, span);
    const qint64 clipBytes = QFileInfo(files.ours).size();
    if (first < 0 || !WriteConcatList(playList, span, files.list) ||
        !WriteLeadingBytes(options.recordings, clipBytes, files.sameBytes) ||
        !ReadIntoPageCache({files.sameBytes})) {
        std::fprintf(stderr, "cannot prepare the span %.0f..%.0f s\n", span.start, span.end);
        return false;
    }
    int covered = 0;
    for (double before = 0; const TFileItem* item : playList) {
        covered += before + item->duration > span.start && before < span.end ? 1 : 0;
        before += item->duration;
    }
    for (const bool withFsync : {false, true}) {
        std::vector<double> ours, dd, ddStart, ffmpeg, ffmpegStart;
        const auto oursRun = [&]() -> std::optional<double> {
            ClearOutput(files.ours);
            skipFsync = !withFsync;
            const double ms = CutOurs(job, final, playList, files.ours, span);
            skipFsync = false;
            return ms >= 0 ? std::optional<double>(ms) : std::nullopt;
        };
        const bool ran = TakeTurns(
            options.rounds,
            {Step(oursRun, ours),
             NetStep(Tool(DdCopy(files.sameBytes, files.dd, withFsync), files.dd, false, options),
                     Tool(DdCopy(options.tiny, files.tinyOut, withFsync), files.tinyOut, false,
                          options),
                     dd, ddStart),
             NetStep(
                 Tool(FfmpegCopy(files.list, files.ffmpeg), files.ffmpeg, withFsync, options),
                 Tool(FfmpegCopy(files.tinyList, files.tinyOut), files.tinyOut, withFsync, options),
                 ffmpeg, ffmpegStart)});
        if (!ran) {
            std::fprintf(stderr, "a cut failed (span %.0f..%.0f s)\n", span.start, span.end);
            return false;
        }
        if (!withFsync) {
            std::printf(
                "cut %.0f s from %.0f s (%d recording%s): ours' clip %.1f MB, ffmpeg's %.1f MB; "
                "start-ups subtracted: dd %.1f ms, ffmpeg %.1f ms\n",
                span.end - span.start, span.start, covered, covered > 1 ? "s" : "",
                static_cast<double>(clipBytes) / 1e6,
                static_cast<double>(QFileInfo(files.ffmpeg).size()) / 1e6, Median(ddStart),
                Median(ffmpegStart));
        }
        const double floor = Median(dd);
        const double tool = Median(ffmpeg);
        std::vector<Goal> goals;
        if (!withFsync) {
            goals = {{kFloorGoal * floor, Better::Lower, QStringLiteral("1.3x floor")},
                     {tool / kFfmpegFactor, Better::Lower, QStringLiteral("ffmpeg net / 4")}};
        }
        PrintFigure(
            withFsync ? QStringLiteral("fsync on both   ") : QStringLiteral("fsync on neither"),
            QStringLiteral("ms"), Median(ours),
            {withFsync ? QStringLiteral("floor (dd bs=1M conv=fsync net)")
                       : QStringLiteral("floor (dd bs=1M net)"),
             floor},
            {withFsync ? QStringLiteral("ffmpeg -c copy + fsync net")
                       : QStringLiteral("ffmpeg -c copy net"),
             tool},
            goals);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> parsed = ParseBenchOptions(Arguments(argc, argv), kRounds);
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: ombrel-bench-cutting [--cores LIST] [--rounds N] --tiny "
                     "TINY.ts RECORDING.ts...\n");
        return 2;
    }
    const Options& options = *parsed;
    // Before any thread starts, so that the job's worker runs on these cores too.
    if (!PinToCores(options.cores)) {
        std::fprintf(stderr, "cannot pin to the cores\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    FileItemList playList;
    double total = 0;
    for (const QString& path : options.recordings) {
        playList.push_back(new TFileItem(path));
        total += playList.back()->duration;
        if (playList.back()->fileType != FILE_TYPE_TS) {
            std::fprintf(stderr, "not a recording: %s\n", qPrintable(path));
            return 1;
        }
    }
    // Outputs go beside the recordings: one file system for every side.
    QTemporaryDir work(QFileInfo(options.recordings.front()).absolutePath() +
                       QStringLiteral("/cut-bench-XXXXXX"));
    SpanFiles files{work.filePath(QStringLiteral("ours.ts")),
                    work.filePath(QStringLiteral("ffmpeg.ts")),
                    work.filePath(QStringLiteral("dd.bin")),
                    work.filePath(QStringLiteral("same-bytes.bin")),
                    work.filePath(QStringLiteral("list.txt")),
                    work.filePath(QStringLiteral("tiny.txt")),
                    work.filePath(QStringLiteral("tiny-out.ts"))};
    QFile tinyList(files.tinyList);
    if (!work.isValid() || !tinyList.open(QIODevice::WriteOnly) ||
        tinyList.write(QStringLiteral("file '%1'\n")
                           .arg(QFileInfo(options.tiny).absoluteFilePath())
                           .toUtf8()) < 0 ||
        !ReadIntoPageCache(options.recordings + QStringList{options.tiny})) {
        std::fprintf(stderr, "cannot prepare %s\n", qPrintable(work.path()));
        return 1;
    }
    tinyList.close();

    FinalMessage final;
    CuttingProc job(&final, WM_CUTTING_EVENT);
    const Span spans[] = {{5, 15}, {45, 55}, {30, 90}, {5, 175}};
    bool ok = true;
    for (const Span& span : spans) {
        if (span.end <= total) {
            ok = ok && BenchSpan(job, final, playList, span, options, files);
        }
    }
    std::printf("(our job's fsync calls skipped in the runs on neither side: %d)\n",
                skippedFsyncs.load());
    for (TFileItem* item : playList) {
        item->Release();
    }
    return ok ? 0 : 1;
}
