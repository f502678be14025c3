#include "RecordingFixture.h"

#include "support/TestMedia.h"

#include <algorithm>
#include <map>

// What the probe does not look at but other readers (ffprobe, the cutter) do:
// section CRCs, continuity counters, the log header and records in place.
TEST(TsRecordingWriter, SectionsCountersAndLogPacketsAreWhereTheRecorderPutsThem) {
    tsrec::TsRecordingSpec spec;
    spec.startTime = 0x01020304;
    const std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording(spec);
    ASSERT_EQ(bytes.size() % 188, 0u);
    std::map<std::uint16_t, int> last;
    for (std::size_t at = 0; at < bytes.size(); at += 188) {
        ASSERT_EQ(bytes[at], 0x47) << at;
        const std::uint16_t pid = tsrec::PacketPid(&bytes[at]);
        const int counter = bytes[at + 3] & 0x0F;
        if (pid != tsrec::kPidNull && last.count(pid) != 0) {
            ASSERT_EQ(counter, (last[pid] + 1) & 0x0F) << "pid " << pid << " at " << at;
        }
        last[pid] = counter;
    }
    // A PSI section with its CRC gives a CRC of 0 over the whole.
    for (std::uint16_t pid : {tsrec::kPidPat, tsrec::kPidPmt}) {
        const std::size_t at = tsrec::PacketOffsets(bytes, pid).front();
        const std::size_t length = ((bytes[at + 6] & 0x0F) << 8) | bytes[at + 7];
        EXPECT_EQ(tsrec::Crc32Mpeg(&bytes[at + 5], 3 + length), 0u) << pid;
    }
    const auto logs = tsrec::PacketOffsets(bytes, tsrec::kPidLog);
    ASSERT_EQ(logs.size(), 10u);
    const std::uint8_t* first = &bytes[logs[0]];
    EXPECT_EQ(std::vector<std::uint8_t>(first + 108, first + 112),
              (std::vector<std::uint8_t>{0x28, 0x88, 0x16, 0x18}));
    EXPECT_EQ(std::vector<std::uint8_t>(first + 124, first + 128),
              (std::vector<std::uint8_t>{0x04, 0x03, 0x02, 0x01}));
    const auto record = tsrec::EncodeTsLogRecord(tsrec::DefaultLogSample(7, spec));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), &bytes[logs[7] + 124]));
}

using TsRecordingWriterMedia = RecordingTest;

namespace {

// "pts,dts" of each packet of the selected stream, in file order.
std::vector<std::pair<std::int64_t, std::int64_t>> PacketTimes(const QString& path,
                                                               const char* stream) {
    QByteArray output;
    tsrec::RunTool(QStringLiteral("ffprobe"),
                   {"-v", "error", "-select_streams", stream, "-show_entries", "packet=pts,dts",
                    "-of", "csv=p=0", path},
                   &output, nullptr);
    std::vector<std::pair<std::int64_t, std::int64_t>> times;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 2) {
            times.emplace_back(fields[0].toLongLong(), fields[1].toLongLong());
        }
    }
    return times;
}

}  // namespace

// Camera encoders use B-frames: each picture's DTS comes no later than its PTS, and
// the first picture is still presented with the first sound. Repeated media run the
// clocks on, each picture shown once, and decode cleanly across the repeats.
TEST_F(TsRecordingWriterMedia, BFramesAndRepeatsKeepEveryPictureOnTheClock) {
    constexpr std::size_t kFrames = 75;  // 3 s at 25 a second
    const tsrec::ElementaryStreams& media =
        tsrec::TestMedia({.seconds = 3.0, .preset = QStringLiteral("veryfast"), .bFrames = 2});
    ASSERT_EQ(media.presentationDelays.size(), kFrames);
    const QString path = Write("b.ts", {.media = &media, .mediaRepeats = 2});

    const auto video = PacketTimes(path, "v");
    ASSERT_EQ(video.size(), 2 * kFrames);
    std::vector<std::int64_t> shown;
    bool reordered = false;
    for (std::size_t i = 0; i < video.size(); ++i) {
        if (i > 0) {
            EXPECT_EQ(video[i].second - video[i - 1].second, 3600) << i;
        }
        EXPECT_GE(video[i].first, video[i].second) << i;
        reordered = reordered || video[i].first > video[i].second + 3600;
        shown.push_back(video[i].first);
    }
    EXPECT_TRUE(reordered);
    std::sort(shown.begin(), shown.end());
    for (std::size_t i = 1; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i] - shown[i - 1], 3600) << i;
    }
    const auto audio = PacketTimes(path, "a");
    ASSERT_FALSE(audio.empty());
    EXPECT_EQ(shown.front(), audio.front().first);

    EXPECT_DOUBLE_EQ(ProbeItem(path)->duration, (2 * kFrames - 1) / 25.0);
    QByteArray errors;
    EXPECT_TRUE(tsrec::RunTool(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-map", "0", "-f", "null", "-"}, nullptr,
                               &errors));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}
