#include "RecordingFixture.h"

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
