#include "RecordingFixture.h"

#include "support/TestMedia.h"

#include <map>

using tsrec::TsRecordingSpec;

namespace {

// Continuity counters run without a gap on every PID with payload.
void ExpectContinuity(const std::vector<std::uint8_t>& bytes) {
    std::map<std::uint16_t, int> last;
    for (std::size_t at = 0; at + 188 <= bytes.size(); at += 188) {
        ASSERT_EQ(bytes[at], 0x47) << at;
        const std::uint16_t pid = tsrec::PacketPid(&bytes[at]);
        if (pid == tsrec::kPidNull || (bytes[at + 3] & 0x10) == 0) {
            continue;
        }
        const int counter = bytes[at + 3] & 0x0F;
        if (last.count(pid) != 0) {
            ASSERT_EQ(counter, (last[pid] + 1) & 0x0F) << "pid " << pid << " at " << at;
        }
        last[pid] = counter;
    }
}

}  // namespace

using TsRecordingWriter = RecordingTest;

TEST_F(TsRecordingWriter, SectionsAndLogPacketsSitWhereTheRecorderPutsThem) {
    TsRecordingSpec spec;
    spec.startTime = 0x01020304;
    const std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording(spec);
    ASSERT_EQ(bytes.size() % 188, 0u);
    ExpectContinuity(bytes);

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

TEST_F(TsRecordingWriter, EncodedMediaPlaysWithoutErrors) {
    tsrec::TestMediaParams params;
    params.seconds = 2.0;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    ASSERT_FALSE(media.h264.empty());
    ASSERT_FALSE(media.adts.empty());
    TsRecordingSpec spec;
    spec.media = &media;
    spec.firstPcrBase = (std::uint64_t{1} << 33) - 90000;  // the 33-bit clock wraps
    const QString path = Write(QStringLiteral("real.ts"), spec);
    ExpectContinuity(tsrec::ReadFileBytes(path));
    QByteArray output;
    QByteArray errors;
    ASSERT_TRUE(tsrec::RunTool(QStringLiteral("ffmpeg"),
                               {"-v", "error", "-i", path, "-map", "0", "-f", "null", "-"}, &output,
                               &errors));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    const tsrec::FfprobeReport report = tsrec::RunFfprobe(path);
    EXPECT_EQ(report.codecTypes, (QStringList{"video", "audio", "data"}));
    EXPECT_NEAR(report.duration, 2.0, 0.1);
}
