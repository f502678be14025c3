// The whole program's memory over a long drive: the program (all six forms, the
// real play list, the null sound output) is started in this process on a drive of
// consecutive 1080p recordings, plays it, and seeks across its files round after
// round. After each round it prints the resident memory, the C heap in use and
// what the heaps hold free:
//
//   ombrel-bench-soak [--recordings N] [--rounds R] [--play-ms MS] FOLDER
//
// FOLDER/soak-demo-x264-ultrafast-1080p25-10mbps-60s-N holds the drive (written
// once: the demo drive's encoding, 60 s recordings, one encode wrapped N times).
// A round seeks to another file of the drive, at a place that moves from round to
// round, and lets it play MS ms (400). The goals: at the end at most 1.15x what
// the program held once the first file played, and at most 250 MB while playing.
// Run it offscreen (raster renderer) or under xvfb-run (GL renderer).
#include "BenchEvents.h"
#include "app/Main.h"
#include "app/Program.h"
#include "app/ProgramApplication.h"
#include "media/AudioDevice.h"
#include "platform/MessageBox.h"
#include "support/DemoDriveLog.h"
#include "support/TestMedia.h"
#include "views/FileSelectFrame.h"
#include "views/PlayControlFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

using bench::RunEventLoop;
using bench::WaitFor;

namespace {

constexpr int kSeconds = 60;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kGoalGrowth = 1.15;
constexpr double kGoalMB = 250.0;
constexpr int kFirstPlayMs = 3000;
constexpr int kLoadTimeoutMs = 60000;

struct Options {
    int recordings = 20;
    int rounds = 200;
    int playMs = 400;
    QString folder;
};

std::optional<Options> ParseOptions(QStringList args) {
    Options options;
    while (!args.isEmpty() && args.front().startsWith(QStringLiteral("--"))) {
        const QString name = args.takeFirst();
        if (args.isEmpty()) {
            return std::nullopt;
        }
        bool ok = false;
        const int value = args.takeFirst().toInt(&ok);
        if (!ok || value <= 0) {
            return std::nullopt;
        }
        if (name == QStringLiteral("--recordings") && value >= 2) {
            options.recordings = value;
        } else if (name == QStringLiteral("--rounds")) {
            options.rounds = value;
        } else if (name == QStringLiteral("--play-ms")) {
            options.playMs = value;
        } else {
            return std::nullopt;
        }
    }
    if (args.size() != 1) {
        return std::nullopt;
    }
    options.folder = args.front();
    return options;
}

// The drive's recordings, written once (a marker says the folder is whole).
QStringList Drive(const Options& options) {
    const QString folder = QDir(options.folder)
                               .filePath(QStringLiteral("soak-demo-x264-ultrafast-1080p25-10mbps-"
                                                        "60s-%1")
                                             .arg(options.recordings));
    const QString marker = QDir(folder).filePath(QStringLiteral(".done"));
    if (!QFile::exists(marker)) {
        std::printf("writing the drive into %s ...\n", qPrintable(folder));
        std::fflush(stdout);
        QDir(folder).removeRecursively();
        DemoDriveOptions drive;
        drive.folder = folder;
        drive.count = options.recordings;
        drive.seconds = kSeconds;
        tsrec::TestMediaParams params;
        params.width = drive.width;
        params.height = drive.height;
        params.frameRate = drive.frameRate;
        params.seconds = kSeconds;
        params.videoKbps = drive.kbps;
        params.grain = true;
        QTemporaryDir work;
        tsrec::ElementaryStreams media;
        QString error;
        QStringList written;
        drive.media = &media;
        if (!tsrec::EncodeMedia(params, work.path(), &media, &error) ||
            !WriteDemoDrive(drive, &written, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return {};
        }
        QFile done(marker);
        done.open(QIODevice::WriteOnly);
    }
    QStringList paths;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.ts")}, QDir::Files, QDir::Name)) {
        paths.append(QDir(folder).absoluteFilePath(name));
    }
    return paths;
}

struct Memory {
    double rssMiB = 0;
    double peakMiB = 0;
    double heapMiB = 0;  // C heap in use (malloc's arenas and mapped blocks)
    double freeMiB = 0;  // free in the arenas, kept from the system
};

Memory MemoryNow() {
    Memory memory;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == "VmRSS:") {
                memory.rssMiB = fields[1].toDouble() / 1024.0;
            } else if (fields.size() >= 2 && fields[0] == "VmHWM:") {
                memory.peakMiB = fields[1].toDouble() / 1024.0;
            }
        }
    }
    const struct mallinfo2 heap = mallinfo2();
    memory.heapMiB = static_cast<double>(heap.uordblks + heap.hblkhd) / kMiB;
    memory.freeMiB = static_cast<double>(heap.fordblks) / kMiB;
    return memory;
}

double MB(double mib) {
    return mib * kMiB / 1e6;
}

void PrintMemory(const char* what, const Memory& memory) {
    std::printf("%s rss_mib %.1f heap_mib %.1f free_mib %.1f\n", what, memory.rssMiB,
                memory.heapMiB, memory.freeMiB);
    std::fflush(stdout);
}

int Soak(const Options& options, const QStringList& drive, const QString& privateFolder) {
    const int count = static_cast<int>(drive.size());
    // A lock of its own: a soak under another display may run beside it.
    app::Program program(QDir(privateFolder).filePath(QStringLiteral("OmbrelPlayer.lock")));
    if (program.Start(QStringList{QCoreApplication::applicationFilePath()} + drive) !=
        app::Program::StartResult::Started) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    program.ShowMainWindow();
    // A click on the drive's row makes the whole drive the play list, as the user
    // selects it.
    if (WaitFor([] { return FormMain->FileSelectFrame->Records().RowCount() > 0; },
                kLoadTimeoutMs)) {
        QTest::mouseClick(FormMain->FileSelectFrame, Qt::LeftButton, {}, QPoint(100, 85));
    }
    if (!WaitFor([count] { return static_cast<int>(FormMain->PlayList().Items().size()) == count; },
                 kLoadTimeoutMs)) {
        std::fprintf(stderr, "the drive was not loaded as one play list (%d of %d items)\n",
                     static_cast<int>(FormMain->PlayList().Items().size()), count);
        return 1;
    }
    RunEventLoop(1000);
    const Memory loaded = MemoryNow();
    PrintMemory("loaded", loaded);
    FormMain->PlayControlPanel->PlayButtonClick(nullptr);
    RunEventLoop(kFirstPlayMs);
    const Memory playing = MemoryNow();
    PrintMemory("playing", playing);

    const double total = FormMain->PlayList().Timeline().Total();
    const double length = total / count;
    int file = 0;
    Memory last = playing;
    double highest = playing.rssMiB;
    std::vector<double> rounds;
    for (int round = 1; round <= options.rounds; ++round) {
        // Always another file, the next one a varying distance ahead; the place in
        // it moves over the minute.
        file = (file + 1 + (round * 7) % (count - 1)) % count;
        const double local = 2.0 + std::fmod(round * 13.7, length - 6.0);
        FormMain->PlayPosChange(FormMain->PlayControlPanel, file * length + local);
        RunEventLoop(options.playMs);
        last = MemoryNow();
        highest = std::max(highest, last.rssMiB);
        rounds.push_back(last.rssMiB);
        std::printf("round %d file %d rss_mib %.1f heap_mib %.1f free_mib %.1f\n", round, file,
                    last.rssMiB, last.heapMiB, last.freeMiB);
        std::fflush(stdout);
    }
    const int boxes = static_cast<int>(platform::MessageBox::Recorded().size());
    const double growth = last.rssMiB / playing.rssMiB;
    std::printf("\n# %d recordings, %d rounds (a seek to another file, then %d ms of play)\n",
                count, options.rounds, options.playMs);
    std::printf(
        "loaded %.1f MiB (%.0f MB), first file playing %.1f MiB (%.0f MB), "
        "end %.1f MiB (%.0f MB), highest %.1f MiB (%.0f MB), peak (VmHWM) %.1f MiB\n",
        loaded.rssMiB, MB(loaded.rssMiB), playing.rssMiB, MB(playing.rssMiB), last.rssMiB,
        MB(last.rssMiB), highest, MB(highest), last.peakMiB);
    std::sort(rounds.begin(), rounds.end());
    const double median = rounds[rounds.size() / 2];
    std::printf("median of the rounds %.1f MiB (%.0f MB)\n", median, MB(median));
    std::printf("end / first playing: %.3fx (goal <= %.2fx) %s\n", growth, kGoalGrowth,
                growth <= kGoalGrowth ? "met" : "MISSED");
    std::printf("highest while playing: %.0f MB (goal <= %.0f MB) %s\n", MB(highest), kGoalMB,
                MB(highest) <= kGoalMB ? "met" : "MISSED");
    std::printf("C heap in use: first playing %.1f MiB, end %.1f MiB\n", playing.heapMiB,
                last.heapMiB);
    if (boxes != 0) {
        std::fprintf(stderr, "%d message boxes were shown\n", boxes);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    app::Program::PrepareApplication();
    app::ProgramApplication application(argc, argv);
    const std::optional<Options> options = ParseOptions(application.arguments().mid(1));
    if (!options) {
        std::fprintf(stderr,
                     "usage: ombrel-bench-soak [--recordings N>=2] [--rounds R] "
                     "[--play-ms MS] FOLDER\n");
        return 2;
    }
    const QStringList drive = Drive(*options);
    if (drive.size() != options->recordings) {
        return 1;
    }
    // A private settings file (the first start writes its defaults), no sound
    // device, and any box recorded rather than waited on.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    media::UseNullAudioDevice(true);
    platform::MessageBox::StartRecording();
    return Soak(*options, drive, config.path());
}
