#include "RecordingFixture.h"

#include "recordings/LogManagement.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <utility>

using namespace recordings;

using tsrec::TsLogSample;

using TsLogDecoding = RecordingTest;

namespace {

// Time, G X, G Y, G Z, G total, OBD speed, battery, coolant and lamps of sample i.
using Decoded = std::tuple<std::uint32_t, float, float, float, float, float, float, int, unsigned>;

Decoded At(const SensorLog& log, std::uint32_t i) {
    return {log.time[i],     log.gX[i],      log.gY[i],      log.gZ[i],       log.gTotal[i],
            log.obdSpeed[i], log.battery[i], log.coolant[i], log.turnLamps[i]};
}

}  // namespace

TEST_F(TsLogDecoding, EveryChannelAndTheTimeWrap) {
    // A record as the recorder writes it, and the sample the decoder makes of it.
    const std::pair<TsLogSample, Decoded> rows[] = {
        {{.seconds = 1000,
          .milliseconds = 500,
          .turnLamps = 1,
          .coolantNegative = true,
          .coolantMagnitude = 12,
          .obdWhole = 511,
          .obdTenths = 15,
          .batteryWhole = 12,
          .batteryTenths = 9,
          .gX = 0.5f},
         {0, -0.5f, 0, 0, 0.5f, 512.5f, 12.9f, -12, 1}},
        // Milliseconds of 1000 and more are taken as they are.
        {{.seconds = 1001,
          .milliseconds = 4095,
          .turnLamps = 2,
          .coolantMagnitude = 255,
          .batteryWhole = 12},
         {1000 + 4095 - 500, 0, 0, 0, 0, 0, 12, 255, 2}},
        // The second counter runs backwards: a very large unsigned time.
        {{.seconds = 999, .batteryWhole = 31, .batteryTenths = 15, .gX = 3, .gY = 4},
         {static_cast<std::uint32_t>(-1500), -3, -4, 0, 5, 0, 32.5f, 0, 0}},
        // Minus zero is zero.
        {{.seconds = 1002,
          .turnLamps = 3,
          .coolantNegative = true,
          .batteryWhole = 14,
          .batteryTenths = 1,
          .gZ = -1},
         {1500, 0, 0, 1, 1, 0, 14.1f, 0, 3}},
        // A damaged record: an infinite G stays in its sample, not in the extremes.
        {{.seconds = 1003, .gX = -std::numeric_limits<float>::infinity()},
         {2500, std::numeric_limits<float>::infinity(), 0, 0,
          std::numeric_limits<float>::infinity(), 0, 0, 0, 0}},
    };
    ItemRef item = Probe("edge.ts", {.logSampleCount = 5,
                                     .logSample = [&rows](int i, auto&) { return rows[i].first; }});
    ASSERT_TRUE(Decode(*item));
    SensorLog& log = item->log;
    ASSERT_EQ(log.count, 5u);
    for (std::uint32_t i = 0; i < log.count; ++i) {
        EXPECT_EQ(At(log, i), rows[i].second) << i;
        // The MPEG-TS record carries none of these.
        EXPECT_EQ(log.gpsSpeed[i] + log.latitude[i] + log.longitude[i] + log.rpm[i], 0.0f) << i;
    }
    // The extremes start at 0: every battery reading is positive, yet the minimum is 0.
    ComputeSensorLogExtremes(log);
    EXPECT_FLOAT_EQ(log.gMax, 5.0f);
    EXPECT_FLOAT_EQ(log.gMin, -4.0f);
    EXPECT_FLOAT_EQ(log.speedMax, 512.5f);
    EXPECT_FLOAT_EQ(log.coolantMax, 255.0f);
    EXPECT_FLOAT_EQ(log.coolantMin, -12.0f);
    EXPECT_FLOAT_EQ(log.batteryMax, 32.5f);
    EXPECT_FLOAT_EQ(log.batteryMin, 0.0f);
    EXPECT_FLOAT_EQ(log.rpmMax, 0.0f);
}

TEST_F(TsLogDecoding, AnyPidFrom0x1600To0x16FFCarriesTheLog) {
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording({});
    const auto logs = tsrec::PacketOffsets(bytes, tsrec::kPidLog);
    ASSERT_EQ(logs.size(), 10u);  // 2 s at 5 a second
    bytes[logs[3] + 2] = 0xFF;    // 0x16FF
    bytes[logs[4] + 1] = static_cast<std::uint8_t>((bytes[logs[4] + 1] & 0xE0) | 0x15);  // 0x1500
    ItemRef item = ProbeItem(WriteBytes("pids.ts", bytes));
    ASSERT_TRUE(Decode(*item));
    ASSERT_EQ(item->log.count, 9u);
    EXPECT_EQ(item->log.time[3], 600u);   // the 0x16FF packet
    EXPECT_EQ(item->log.time[4], 1000u);  // the 0x1500 one is skipped

    // No log packet left (the probe has seen the first): an empty log.
    for (std::size_t at : logs) {
        bytes[at + 1] &= 0xE0;
    }
    ASSERT_TRUE(tsrec::WriteFileBytes(item->path, bytes));
    ASSERT_TRUE(Decode(*item));
    EXPECT_EQ(item->log.count, 0u);
}

TEST_F(TsLogDecoding, CapacityFromTheDurationGrowsForMoreSamples) {
    const struct {
        const char* name;
        double seconds;
        int samples;
        std::uint32_t capacity;  // 0: grown past what the duration promised
    } cases[] = {
        {"zero.ts", 1 / 25.0, 3, 50},    // one picture: duration 0
        {"minute.ts", 60.04, 300, 350},  // 1501 pictures: 60 s from first to last PCR
        {"dense.ts", 2.0, 1000, 0},      // 1.96 s promise 59 samples
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ItemRef item = Probe(
            c.name,
            {.durationSeconds = c.seconds, .syntheticFrameBytes = 50, .logSampleCount = c.samples});
        ASSERT_TRUE(Decode(*item, SmallBlocks(7)));
        const SensorLog& log = item->log;
        ASSERT_EQ(log.count, static_cast<std::uint32_t>(c.samples));
        if (c.capacity != 0) {
            EXPECT_EQ(log.capacity, c.capacity);
        }
        for (std::uint32_t i = 0; i < log.count; ++i) {  // every sample kept, in order
            ASSERT_EQ(log.time[i], i * 200u) << i;
            ASSERT_FLOAT_EQ(log.obdSpeed[i], 50.0f + 0.1f * static_cast<float>(i % 10)) << i;
        }
    }
}

TEST_F(TsLogDecoding, APartOfAPacketAtTheEndIsNone) {
    // Cut inside the last log packet, in a file of several small blocks.
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording({.durationSeconds = 3});
    bytes.resize(tsrec::PacketOffsets(bytes, tsrec::kPidLog).back() + 150);
    ItemRef item = ProbeItem(WriteBytes("cut.ts", bytes));
    ASSERT_TRUE(Decode(*item, SmallBlocks(5)));
    EXPECT_EQ(item->log.count, 14u);
}

TEST_F(TsLogDecoding, StopFlagEndsADecodeWithCountZero) {
    ItemRef item = Probe("a.ts");
    TLogManagement manager(nullptr, SmallBlocks(1));
    // The stop flag ends a decode between blocks.
    manager.StopWorker();
    const platform::FileHandle file = platform::FileHandle::OpenRead(item->path);
    try {
        manager.ReadTSLog(file, *item);
        ADD_FAILURE() << "decoded after the stop";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Err_Read_TS_LOG");
    }
    EXPECT_EQ(item->log.count, 0u);
}

TEST(SensorLogBlock, AllocLogKeepsOrDropsSamples) {
    SensorLog log;
    ASSERT_TRUE(TLogManagement::AllocLog(log, 10));
    // The 13 channels follow each other in one block, time first, lamps last.
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(log.time), log.block.get());
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(log.turnLamps), log.block.get() + 48 * 10);
    std::fill_n(log.time, 10, 7u);
    std::fill_n(log.turnLamps, 10, 3u);
    log.count = 10;
    log.gMax = 2.0f;
    ASSERT_TRUE(TLogManagement::AllocLog(log, 10));  // n equal to the capacity: kept
    EXPECT_EQ(log.count, 10u);
    EXPECT_EQ(log.time[9], 7u);
    ASSERT_TRUE(TLogManagement::AllocLog(log, 11));  // one more: a new zero-filled block
    EXPECT_EQ(log.capacity, 11u);
    EXPECT_EQ(log.count, 0u);
    EXPECT_EQ(log.gMax, 2.0f);  // the extremes are not touched
    EXPECT_EQ(log.time[9], 0u);
    EXPECT_EQ(log.turnLamps[10], 0u);
}
