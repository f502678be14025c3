#include "RecordingFixture.h"

#include "recordings/LogManagement.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

using tsrec::TsLogSample;
using tsrec::TsRecordingSpec;

using TsLogDecoding = RecordingTest;

TEST_F(TsLogDecoding, EveryChannelAndTheTimeWrap) {
    // A record as the recorder writes it, and the sample the decoder makes of it.
    struct Row {
        TsLogSample record;
        std::uint32_t time;
        float gX, gY, gZ, gTotal, obdSpeed, battery;
        std::int16_t coolant;
        std::uint32_t lamps;
    };
    const Row rows[] = {
        {{.seconds = 1000, .milliseconds = 500, .turnLamps = 1, .coolantNegative = true,
          .coolantMagnitude = 12, .obdWhole = 511, .obdTenths = 15, .batteryWhole = 12,
          .batteryTenths = 9, .gX = 0.5f},
         0, -0.5f, 0, 0, 0.5f, 512.5f, 12.9f, -12, 1},
        // Milliseconds of 1000 and more are taken as they are.
        {{.seconds = 1001, .milliseconds = 4095, .turnLamps = 2, .coolantMagnitude = 255},
         1000 + 4095 - 500, 0, 0, 0, 0, 0, 0, 255, 2},
        // The second counter runs backwards: a very large unsigned time.
        {{.seconds = 999, .batteryWhole = 31, .batteryTenths = 15, .gX = 3, .gY = 4},
         static_cast<std::uint32_t>(-1500), -3, -4, 0, 5, 0, 32.5f, 0, 0},
        // Minus zero is zero.
        {{.seconds = 1002, .turnLamps = 3, .coolantNegative = true, .gZ = -1},
         1500, 0, 0, 1, 1, 0, 0, 0, 3},
    };
    TsRecordingSpec spec;
    spec.logSampleCount = 4;
    spec.logSample = [&rows](int i, const TsRecordingSpec&) { return rows[i].record; };
    ItemRef item = Probe(QStringLiteral("edge.ts"), spec);
    ASSERT_TRUE(Decode(*item));
    const SensorLog& log = item->log;
    ASSERT_EQ(log.count, 4u);
    for (std::uint32_t i = 0; i < log.count; ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        EXPECT_EQ(log.time[i], row.time);
        EXPECT_FLOAT_EQ(log.gX[i], row.gX);
        EXPECT_FLOAT_EQ(log.gY[i], row.gY);
        EXPECT_FLOAT_EQ(log.gZ[i], row.gZ);
        EXPECT_FLOAT_EQ(log.gTotal[i], row.gTotal);
        EXPECT_FLOAT_EQ(log.obdSpeed[i], row.obdSpeed);
        EXPECT_FLOAT_EQ(log.battery[i], row.battery);
        EXPECT_EQ(log.coolant[i], row.coolant);
        EXPECT_EQ(log.turnLamps[i], row.lamps);
        // The MPEG-TS record carries none of these.
        EXPECT_EQ(log.gpsSpeed[i], 0.0f);
        EXPECT_EQ(log.latitude[i], 0.0f);
        EXPECT_EQ(log.longitude[i], 0.0f);
        EXPECT_EQ(log.rpm[i], 0u);
    }
}

TEST_F(TsLogDecoding, AnyPidFrom0x1600To0x16FFCarriesTheLog) {
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording({});
    const auto logs = tsrec::PacketOffsets(bytes, tsrec::kPidLog);
    ASSERT_EQ(logs.size(), 10u);  // 2 s at 5 a second
    bytes[logs[3] + 2] = 0xFF;    // 0x16FF
    bytes[logs[4] + 1] = static_cast<std::uint8_t>((bytes[logs[4] + 1] & 0xE0) | 0x15);  // 0x1500
    ItemRef item = ProbeItem(WriteBytes(QStringLiteral("pids.ts"), bytes));
    ASSERT_TRUE(Decode(*item));
    ASSERT_EQ(item->log.count, 9u);
    EXPECT_EQ(item->log.time[3], 600u);   // the 0x16FF packet
    EXPECT_EQ(item->log.time[4], 1000u);  // the 0x1500 one is skipped
}

TEST_F(TsLogDecoding, CapacityFromTheDurationGrowsForMoreSamples) {
    struct Case {
        const char* name;
        double seconds;
        int samples;
        std::uint32_t capacity;  // 0: grown beyond the duration's promise
    };
    const Case cases[] = {
        {"zero.ts", 1 / 25.0, 3, 50},      // one picture: duration 0
        {"minute.ts", 60.04, 300, 350},    // 1501 pictures: 60 s from first to last PCR
        {"dense.ts", 2.0, 1000, 0},        // 1.96 s promise 59 samples
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemRef item = ProbeItem(WriteWith(c.name, [&c](TsRecordingSpec& s) {
            s.durationSeconds = c.seconds;
            s.logSampleCount = c.samples;
            s.syntheticFrameBytes = 50;
        }));
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

TEST_F(TsLogDecoding, BlockSizeAndTruncationDoNotChangeTheSamples) {
    const QString path = WriteWith("a.ts", [](TsRecordingSpec& s) { s.durationSeconds = 3; });
    ItemRef whole = ProbeItem(path);
    ItemRef small = ProbeItem(path);
    ASSERT_TRUE(Decode(*whole));
    ASSERT_TRUE(Decode(*small, SmallBlocks(5)));
    ASSERT_EQ(whole->log.count, 15u);
    ASSERT_EQ(small->log.count, 15u);
    EXPECT_EQ(std::memcmp(whole->log.block.get(), small->log.block.get(),
                          std::size_t{kSensorLogBytesPerSample} * 15),
              0);

    // Cut inside the last log packet: that packet is not one any more.
    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(path);
    bytes.resize(tsrec::PacketOffsets(bytes, tsrec::kPidLog).back() + 150);
    ItemRef cut = ProbeItem(WriteBytes(QStringLiteral("cut.ts"), bytes));
    ASSERT_TRUE(Decode(*cut, SmallBlocks(5)));
    EXPECT_EQ(cut->log.count, 14u);
}

TEST_F(TsLogDecoding, NoLogPacketsGiveAnEmptyLog) {
    ItemRef item = Probe(QStringLiteral("a.ts"));
    // The probe needs only the first log packet; the decoder sees none.
    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(item->path);
    for (std::size_t at : tsrec::PacketOffsets(bytes, tsrec::kPidLog)) {
        bytes[at + 1] &= 0xE0;
    }
    ASSERT_TRUE(tsrec::WriteFileBytes(item->path, bytes));
    ASSERT_TRUE(Decode(*item));
    EXPECT_EQ(item->log.count, 0u);
}

TEST_F(TsLogDecoding, FailuresKeepTheCountAtZero) {
    ItemRef item = Probe(QStringLiteral("a.ts"));
    TLogManagement manager(nullptr, SmallBlocks(1));
    EXPECT_THROW(manager.ReadTSLog(platform::FileHandle{}, *item), std::runtime_error);
    EXPECT_EQ(item->log.count, 0u);

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

TEST(SensorLogExtremes, StartAtZero) {
    SensorLog log;
    ASSERT_TRUE(AllocateSensorLog(log, 3));
    const float battery[] = {12.4f, 12.9f, 12.1f};
    const std::int16_t coolant[] = {-5, 90, 20};
    const float g[] = {0.5f, -1.5f, 0.25f};
    for (std::uint32_t i = 0; i < 3; ++i) {
        log.battery[i] = battery[i];
        log.coolant[i] = coolant[i];
        log.gX[i] = g[i];
        log.gY[i] = -g[i];
        log.gTotal[i] = std::fabs(g[i]) * std::sqrt(2.0f);
        log.obdSpeed[i] = 10.0f * static_cast<float>(i);
        log.gpsSpeed[i] = 15.0f;
        log.rpm[i] = static_cast<std::uint16_t>(1000 * i);
    }
    log.count = 3;
    ComputeSensorLogExtremes(log);
    EXPECT_FLOAT_EQ(log.batteryMax, 12.9f);
    EXPECT_FLOAT_EQ(log.batteryMin, 0.0f);
    EXPECT_FLOAT_EQ(log.coolantMax, 90.0f);
    EXPECT_FLOAT_EQ(log.coolantMin, -5.0f);
    EXPECT_FLOAT_EQ(log.gMax, 1.5f * std::sqrt(2.0f));
    EXPECT_FLOAT_EQ(log.gMin, -1.5f);
    EXPECT_FLOAT_EQ(log.speedMax, 20.0f);
    EXPECT_FLOAT_EQ(log.rpmMax, 2000.0f);
}

TEST(SensorLogBlock, AllocLogKeepsOrDropsSamples) {
    SensorLog log;
    ASSERT_TRUE(TLogManagement::AllocLog(log, 10));
    // The 13 channels follow each other in one block, time first, lamps last.
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(log.time), log.block.get());
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(log.turnLamps), log.block.get() + 48 * 10);
    for (std::uint32_t i = 0; i < 10; ++i) {
        log.time[i] = i + 1;
        log.turnLamps[i] = 3;
    }
    log.count = 10;
    log.gMax = 2.0f;
    ASSERT_TRUE(TLogManagement::AllocLog(log, 10));
    EXPECT_EQ(log.count, 10u);
    EXPECT_EQ(log.time[9], 10u);

    ASSERT_TRUE(TLogManagement::AllocLog(log, 11));
    EXPECT_EQ(log.capacity, 11u);
    EXPECT_EQ(log.count, 0u);
    EXPECT_EQ(log.gMax, 2.0f);  // the extremes are not touched
    EXPECT_EQ(log.time[9], 0u);
    EXPECT_EQ(log.turnLamps[10], 0u);
}
