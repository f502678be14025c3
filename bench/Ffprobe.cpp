#include "Ffprobe.h"

#include "BenchProcess.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace bench {

namespace {

constexpr double kClock = 90000.0;

QStringList Ffprobe(const QStringList& arguments, const QString& path) {
    return QStringList{QStringLiteral("ffprobe"), QStringLiteral("-v"), QStringLiteral("error")} +
           arguments + QStringList{path};
}

}  // namespace

double StartTime(const QString& path) {
    const ChildRun run =
        RunChild(Ffprobe({QStringLiteral("-show_entries"), QStringLiteral("format=start_time"),
                          QStringLiteral("-of"), QStringLiteral("csv=p=0")},
                         path),
                 {}, true);
    bool ok = false;
    const double seconds = run.output.trimmed().toDouble(&ok);
    return run.ok && ok ? seconds : -1.0;
}

std::vector<VideoPacket> VideoPackets(const QString& path) {
    const ChildRun run =
        RunChild(Ffprobe({QStringLiteral("-select_streams"), QStringLiteral("v"),
                          QStringLiteral("-show_entries"), QStringLiteral("packet=pts,flags"),
                          QStringLiteral("-of"), QStringLiteral("csv=p=0")},
                         path),
                 {}, true);
    std::vector<VideoPacket> packets;
    for (const QByteArray& line : run.output.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        bool ok = false;
        const std::int64_t pts = fields.size() >= 2 ? fields[0].toLongLong(&ok) : 0;
        if (ok) {
            packets.push_back({pts, fields[1].startsWith('K')});
        }
    }
    return packets;
}

SeekWork SeekWorkFor(const std::vector<VideoPacket>& packets, double seconds) {
    if (packets.empty()) {
        return {};
    }
    const auto byPts = [](const VideoPacket& a, const VideoPacket& b) { return a.pts < b.pts; };
    const std::int64_t first = std::min_element(packets.begin(), packets.end(), byPts)->pts;
    const auto wanted = first + static_cast<std::int64_t>(std::llround(seconds * kClock));
    // The picture shown: the last one presented at or before the target.
    std::optional<std::size_t> shown;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        if (packets[i].pts <= wanted && (!shown || packets[i].pts > packets[*shown].pts)) {
            shown = i;
        }
    }
    if (!shown) {
        return {};
    }
    std::size_t key = 0;
    for (std::size_t i = 0; i <= *shown; ++i) {
        if (packets[i].key && packets[i].pts <= packets[*shown].pts) {
            key = i;
        }
    }
    SeekWork work;
    work.decodePictures = static_cast<int>(*shown - key + 1);
    work.displayPictures = static_cast<int>(
        std::count_if(packets.begin(), packets.end(), [&](const VideoPacket& packet) {
            return packet.pts >= packets[key].pts && packet.pts <= packets[*shown].pts;
        }));
    work.keyClock = static_cast<double>(packets[key].pts) / kClock;
    return work;
}

}  // namespace bench
