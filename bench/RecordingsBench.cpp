// The recording probe against ffprobe, and the sensor-log decoder against dd
// reading the same bytes in blocks of the decoder's size, on the same files, the
// same cores and the same page cache in one run, the sides taking turns.
//
//   ombrel-bench-recordings [--cores LIST] [--rounds N] --tiny TINY.ts RECORDING.ts...
//   ombrel-bench-recordings --probe-once RECORDING.ts    (one probe; prints probe_ms)
//
// The tools' start-up (their run on TINY.ts) is subtracted from their times. A
// first probe runs in a process of its own; a cold one after the file was dropped
// from the page cache.
#include "recordings/FileItem.h"
#include "recordings/LogManagement.h"

#include "BenchOptions.h"
#include "BenchProcess.h"
#include "BenchTiming.h"
#include "PageCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

using namespace bench;

namespace {

constexpr std::int64_t kLogBlockBytes = 12320580;  // the decoder's block: 65535 packets
constexpr std::uint32_t kLogPid = 0x1600;
constexpr std::uint32_t kVideoPid = 0x1011;
constexpr int kWarmProbes = 20;
constexpr double kFirstProbeGoalMs = 3.0;
constexpr double kColdProbeGoalMs = 10.0;

using Options = BenchOptions;
constexpr int kRounds = 7;

QString Label(const QString& path) {
    const QFileInfo info(path);
    return QStringLiteral("%1/%2 (%3 MB)")
        .arg(info.dir().dirName(), info.fileName())
        .arg(static_cast<double>(info.size()) / 1e6, 0, 'f', 1);
}

// ---- the bytes a probe needs: the floor

std::uint32_t PidOf(const std::uint8_t* packet) {
    return (static_cast<std::uint32_t>(packet[1] & 0x1F) << 8) | packet[2];
}

bool HasPcr(const std::uint8_t* packet) {
    return PidOf(packet) == kVideoPid && (packet[3] & 0x20) != 0 && packet[4] >= 7 &&
           (packet[5] & 0x10) != 0;
}

struct ProbeBytes {
    std::int64_t head = 0;  // from the start up to the first log packet's end
    std::int64_t tail = 0;  // from the last PCR packet to the end
    std::int64_t size = 0;
};

// Looks for them in the first and last 4 MB; nullopt when they are not there.
std::optional<ProbeBytes> FindProbeBytes(const QString& path) {
    constexpr std::int64_t kLook = 4 << 20;
    const platform::FileHandle file = platform::FileHandle::OpenRead(path);
    ProbeBytes bytes;
    bytes.size = file.Size();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kLook));
    const std::int64_t head = file.ReadAt(buffer.data(), kLook, 0);
    for (std::int64_t at = 0; at + 188 <= head && bytes.head == 0; at += 188) {
        if (PidOf(&buffer[at]) == kLogPid) {
            bytes.head = at + 188;
        }
    }
    const std::int64_t from = std::max<std::int64_t>(0, (bytes.size - kLook) / 188 * 188);
    const std::int64_t tail = file.ReadAt(buffer.data(), kLook, from);
    for (std::int64_t at = (tail / 188 - 1) * 188; at >= 0 && bytes.tail == 0; at -= 188) {
        if (HasPcr(&buffer[at])) {
            bytes.tail = bytes.size - (from + at);
        }
    }
    if (bytes.head == 0 || bytes.tail == 0) {
        return std::nullopt;
    }
    return bytes;
}

// Reading just those bytes, in ms.
double ReadProbeBytes(const QString& path, const ProbeBytes& bytes) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(bytes.head, bytes.tail)));
    QElapsedTimer timer;
    timer.start();
    const platform::FileHandle file = platform::FileHandle::OpenRead(path);
    file.ReadAt(buffer.data(), bytes.head, 0);
    file.ReadAt(buffer.data(), bytes.tail, bytes.size - bytes.tail);
    return ElapsedMs(timer);
}

// ---- the sides

bool ProbeOurs(const QString& path) {
    auto* item = new TFileItem(path);
    const bool ok = item->fileType == FILE_TYPE_TS;
    item->Release();
    return ok;
}

QStringList FfprobeCommand(const QString& path) {
    return {QStringLiteral("ffprobe"),
            QStringLiteral("-v"),
            QStringLiteral("error"),
            QStringLiteral("-show_entries"),
            QStringLiteral("format=duration:stream=codec_type,codec_name"),
            QStringLiteral("-of"),
            QStringLiteral("json"),
            path};
}

QStringList DdCommand(const QString& path) {
    return {QStringLiteral("dd"), QStringLiteral("if=") + path, QStringLiteral("of=/dev/null"),
            QStringLiteral("bs=%1").arg(kLogBlockBytes), QStringLiteral("status=none")};
}

// A child's run: its own time when it prints one under `ownKey`, else its wall
// time. A cold run drops `coldFile` from the page cache first and reads it back
// in after (outside the time).
TimedRun Child(const QStringList& command, const Options& options, const QString& coldFile = {},
               const char* ownKey = nullptr) {
    return [&options, command, coldFile, ownKey]() -> std::optional<double> {
        if (!coldFile.isEmpty() && !DropFromPageCache(coldFile)) {
            return std::nullopt;
        }
        const ChildRun run = RunChild(command, options.cores, ownKey != nullptr);
        const double value = ownKey != nullptr ? ChildValue(run.output, ownKey) : run.wallMs;
        const bool rewarmed = coldFile.isEmpty() || ReadIntoPageCache({coldFile});
        return run.ok && value >= 0 && rewarmed ? std::optional<double>(value) : std::nullopt;
    };
}

bool BenchProbe(const QString& self, const QString& path, const Options& options) {
    const std::optional<ProbeBytes> bytes = FindProbeBytes(path);
    if (!bytes || !ReadIntoPageCache({path, options.tiny})) {
        std::fprintf(stderr, "not a recording: %s\n", qPrintable(path));
        return false;
    }
    std::vector<double> floorWarm;
    std::vector<double> floorCold;
    for (int i = 0; i < options.rounds; ++i) {
        floorWarm.push_back(ReadProbeBytes(path, *bytes));
        DropFromPageCache(path);
        floorCold.push_back(ReadProbeBytes(path, *bytes));
    }
    ReadIntoPageCache({path});

    const QStringList ours = {self, QStringLiteral("--probe-once"), path};
    std::vector<double> oursWarm, oursCold, toolWarm, toolCold, startup;
    const TimedRun toolStartup = Child(FfprobeCommand(options.tiny), options);
    const bool ran = TakeTurns(
        options.rounds,
        {Step(Child(ours, options, {}, "probe_ms"), oursWarm),
         NetStep(Child(FfprobeCommand(path), options), toolStartup, toolWarm, startup),
         Step(Child(ours, options, path, "probe_ms"), oursCold),
         NetStep(Child(FfprobeCommand(path), options, path), toolStartup, toolCold, startup)});
    std::vector<double> again;
    ProbeOurs(path);
    for (int i = 0; i < kWarmProbes && ran; ++i) {
        QElapsedTimer timer;
        timer.start();
        ProbeOurs(path);
        again.push_back(ElapsedMs(timer));
    }
    if (!ran) {
        std::fprintf(stderr, "a probe failed: %s\n", qPrintable(path));
        return false;
    }
    const double start = Median(startup);
    const QString floorText = QStringLiteral("floor (pread of the %1 + %2 bytes it needs)")
                                  .arg(bytes->head)
                                  .arg(bytes->tail);
    std::printf("probe: %s; ffprobe start-up %.1f ms subtracted\n", qPrintable(Label(path)), start);
    PrintFigure(QStringLiteral("first probe in a process, warm"), QStringLiteral("ms"),
                Median(oursWarm), {floorText, Median(floorWarm)},
                {QStringLiteral("ffprobe net"), Median(toolWarm)},
                {{kFirstProbeGoalMs, Better::Lower, QStringLiteral("absolute")}});
    PrintFigure(QStringLiteral("first probe in a process, cold"), QStringLiteral("ms"),
                Median(oursCold), {floorText, Median(floorCold)},
                {QStringLiteral("ffprobe net"), Median(toolCold)},
                {{kColdProbeGoalMs, Better::Lower, QStringLiteral("absolute")}});
    PrintFigure(QStringLiteral("later probe in the same process, warm"), QStringLiteral("ms"),
                Median(again), {floorText, Median(floorWarm)},
                {QStringLiteral("ffprobe net"), Median(toolWarm)});
    return true;
}

bool BenchLogDecode(const QString& path, const Options& options) {
    TLogManagement decoder(nullptr);
    auto* item = new TFileItem(path);
    if (item->fileType != FILE_TYPE_TS || !ReadIntoPageCache({path, options.tiny})) {
        item->Release();
        return false;
    }
    std::vector<double> ours, dd, startup;
    std::uint32_t samples = 0;
    const auto decode = [&]() -> std::optional<double> {
        const platform::FileHandle file = platform::FileHandle::OpenRead(path);
        QElapsedTimer timer;
        timer.start();
        const bool ok = decoder.ReadTSLog(file, *item) && item->log.count > 0;
        const double ms = ElapsedMs(timer);
        samples = item->log.count;
        recordings::FreeSensorLog(item->log);
        return ok ? std::optional<double>(ms) : std::nullopt;
    };
    const bool ran = TakeTurns(
        options.rounds,
        {Step(decode, ours), NetStep(Child(DdCommand(path), options),
                                     Child(DdCommand(options.tiny), options), dd, startup)});
    item->Release();
    if (!ran) {
        std::fprintf(stderr, "log decode failed: %s\n", qPrintable(path));
        return false;
    }
    const double megabytes = static_cast<double>(QFileInfo(path).size()) / 1e6;
    const double ddNet = Median(dd);
    std::printf("log decode: %s, %u samples; dd start-up %.1f ms subtracted\n",
                qPrintable(Label(path)), samples, Median(startup));
    PrintFigure(QStringLiteral("decode alone, warm"), QStringLiteral("ms"), Median(ours),
                {QStringLiteral("floor (dd bs=12320580 net)"), ddNet}, {});
    std::printf("  (ours %.0f MB/s, dd %.0f MB/s)\n", megabytes / Median(ours) * 1000,
                megabytes / ddNet * 1000);
    return true;
}

int ProbeOnce(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const bool ok = ProbeOurs(path);
    std::printf("probe_ms %.4f\n", ElapsedMs(timer));
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList args = Arguments(argc, argv);
    if (args.size() == 2 && args[0] == QStringLiteral("--probe-once")) {
        QCoreApplication app(argc, argv);
        return ProbeOnce(args[1]);
    }
    const std::optional<Options> options = ParseBenchOptions(args, kRounds);
    if (!options) {
        std::fprintf(stderr,
                     "usage: ombrel-bench-recordings [--cores LIST] [--rounds N] --tiny TINY.ts "
                     "RECORDING.ts...\n");
        return 2;
    }
    // Before any thread starts, so that the log worker runs on these cores too.
    if (!PinToCores(options->cores)) {
        std::fprintf(stderr, "cannot pin to the cores\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    for (const QString& path : options->recordings) {
        if (!BenchProbe(self, path, *options) || !BenchLogDecode(path, *options)) {
            return 1;
        }
    }
    return 0;
}
