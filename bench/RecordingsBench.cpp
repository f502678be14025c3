// Probe time per recording against ffprobe, and sensor-log decode throughput
// against reading the same bytes with cat, on the same files in one run.
#include "recordings/FileItem.h"
#include "recordings/LogManagement.h"
#include "support/TestMedia.h"

#include "BenchTiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

bool ProbeOurs(const QString& path) {
    auto* item = new TFileItem(path);
    const bool ok = item->fileType == FILE_TYPE_TS;
    item->Release();
    return ok;
}

bool DecodeOurs(const QStringList& paths) {
    TLogManagement decoder(nullptr);
    for (const QString& path : paths) {
        auto* item = new TFileItem(path);
        const platform::FileHandle file = platform::FileHandle::OpenRead(path);
        const bool ok =
            item->fileType == FILE_TYPE_TS && decoder.ReadTSLog(file, *item) && item->log.count > 0;
        item->Release();
        if (!ok) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: ombrel-bench-recordings RECORDING.ts...\n");
        return 2;
    }
    double megabytes = 0;
    for (const QString& path : paths) {
        megabytes += static_cast<double>(QFileInfo(path).size()) / 1e6;
    }
    CatToNull(paths);  // both sides read from the page cache

    double ours = 0;
    double theirs = 0;
    for (const QString& path : paths) {
        const double probe = MedianMs([&] { return ProbeOurs(path); });
        const double ffprobe = MedianMs([&] { return tsrec::RunFfprobe(path).ran; });
        if (probe < 0 || ffprobe < 0) {
            std::fprintf(stderr, "probe failed: %s\n", qPrintable(path));
            return 1;
        }
        ours += probe;
        theirs += ffprobe;
    }
    const double count = static_cast<double>(paths.size());
    std::printf("recordings: %d, %.1f MB\n", static_cast<int>(paths.size()), megabytes);
    std::printf("probe per recording: ours %.2f ms, ffprobe %.2f ms, ffprobe/ours %.1f\n",
                ours / count, theirs / count, theirs / ours);

    const double decode = MedianMs([&] { return DecodeOurs(paths); });
    const double cat = MedianMs([&] { return CatToNull(paths); });
    if (decode < 0 || cat < 0) {
        std::fprintf(stderr, "log decode failed\n");
        return 1;
    }
    std::printf("log decode (probe included): ours %.0f MB/s, cat %.0f MB/s, ours/cat %.2f\n",
                megabytes / decode * 1000, megabytes / cat * 1000, cat / decode);
    return 0;
}
