#include "RecordingFixture.h"

#include "recordings/LogManagement.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

using tsrec::TsLogSample;
using tsrec::TsRecordingSpec;

namespace {

// Decodes the item's log as the worker does, on this thread.
bool Decode(TFileItem& item, const RecordingReadLimits& limits = {}) {
    TLogManagement manager(nullptr, limits);
    const platform::FileHandle file = platform::FileHandle::OpenRead(item.path);
    return manager.ReadTSLog(file, item);
}

TsLogSample Sample(std::uint32_t seconds, std::uint16_t milliseconds) {
    TsLogSample sample;
    sample.seconds = seconds;
    sample.milliseconds = milliseconds;
    return sample;
}

// Four samples that exercise every field and the time wrap.
TsLogSample EdgeSample(int index, const TsRecordingSpec&) {
    TsLogSample sample;
    switch (index) {
        case 0:
            sample = Sample(1000, 500);
            sample.gX = 0.5f;
            sample.obdWhole = 511;
            sample.obdTenths = 15;
            sample.coolantNegative = true;
            sample.coolantMagnitude = 12;
            sample.batteryWhole = 12;
            sample.batteryTenths = 9;
            sample.turnLamps = 1;
            break;
        case 1:
            sample = Sample(1001, 4095);  // milliseconds of 1000 and more are taken as they are
            sample.coolantMagnitude = 255;
            sample.turnLamps = 2;
            break;
        case 2:
            sample = Sample(999, 0);  // the second counter runs backwards
            sample.gX = 3;
            sample.gY = 4;
            sample.gZ = 0;
            sample.batteryWhole = 31;
            sample.batteryTenths = 15;
            break;
        default:
            sample = Sample(1002, 0);
            sample.coolantNegative = true;  // minus zero is zero
            sample.turnLamps = 3;
            sample.gZ = -1;
            break;
    }
    return sample;
}

TsRecordingSpec EdgeSpec() {
    TsRecordingSpec spec;
    spec.logSampleCount = 4;
    spec.logSample = EdgeSample;
    return spec;
}

}  // namespace

using TsLogDecoding = RecordingTest;

TEST_F(TsLogDecoding, EveryChannelAndTheTimeWrap) {
    ItemRef item = ProbeItem(Write(QStringLiteral("edge.ts"), EdgeSpec()));
    ASSERT_EQ(item->fileType, FILE_TYPE_TS);
    ASSERT_TRUE(Decode(*item));
    const SensorLog& log = item->log;
    ASSERT_EQ(log.count, 4u);
    EXPECT_EQ(log.time[0], 0u);
    EXPECT_EQ(log.time[1], 1000u + 4095u - 500u);
    EXPECT_EQ(log.time[2], static_cast<std::uint32_t>(-1500));
    EXPECT_EQ(log.time[3], 2000u - 500u);

    EXPECT_FLOAT_EQ(log.gX[0], -0.5f);
    EXPECT_FLOAT_EQ(log.gY[0], 0.0f);
    EXPECT_FLOAT_EQ(log.gTotal[0], 0.5f);
    EXPECT_FLOAT_EQ(log.gX[2], -3.0f);
    EXPECT_FLOAT_EQ(log.gY[2], -4.0f);
    EXPECT_FLOAT_EQ(log.gTotal[2], 5.0f);
    EXPECT_FLOAT_EQ(log.gZ[3], 1.0f);

    EXPECT_FLOAT_EQ(log.obdSpeed[0], 512.5f);
    EXPECT_EQ(log.coolant[0], -12);
    EXPECT_EQ(log.coolant[1], 255);
    EXPECT_EQ(log.coolant[3], 0);
    EXPECT_FLOAT_EQ(log.battery[0], 12.9f);
    EXPECT_FLOAT_EQ(log.battery[2], 32.5f);
    EXPECT_EQ(log.turnLamps[0], 1u);
    EXPECT_EQ(log.turnLamps[1], 2u);
    EXPECT_EQ(log.turnLamps[2], 0u);
    EXPECT_EQ(log.turnLamps[3], 3u);
    for (std::uint32_t i = 0; i < log.count; ++i) {
        EXPECT_EQ(log.gpsSpeed[i], 0.0f);
        EXPECT_EQ(log.latitude[i], 0.0f);
        EXPECT_EQ(log.longitude[i], 0.0f);
        EXPECT_EQ(log.rpm[i], 0u);
    }
}

TEST_F(TsLogDecoding, AnyPidFrom0x1600To0x16FFCarriesTheLog) {
    std::vector<std::uint8_t> bytes = tsrec::BuildTsRecording(TsRecordingSpec{});
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

TEST_F(TsLogDecoding, CapacityFromTheDurationAndGrowth) {
    TsRecordingSpec spec;
    spec.durationSeconds = 1 / 25.0;  // duration 0
    spec.logSampleCount = 3;
    ItemRef zero = ProbeItem(Write(QStringLiteral("zero.ts"), spec));
    ASSERT_EQ(zero->duration, 0.0);
    ASSERT_TRUE(Decode(*zero));
    EXPECT_EQ(zero->log.capacity, 50u);
    EXPECT_EQ(zero->log.count, 3u);

    spec = {};
    spec.durationSeconds = 60.04;  // 1501 pictures: 60 s from first to last PCR
    spec.syntheticFrameBytes = 50;
    spec.logSampleCount = 300;
    ItemRef minute = ProbeItem(Write(QStringLiteral("minute.ts"), spec));
    ASSERT_DOUBLE_EQ(minute->duration, 60.0);
    ASSERT_TRUE(Decode(*minute));
    EXPECT_EQ(minute->log.capacity, 350u);
    EXPECT_EQ(minute->log.count, 300u);

    // Far more samples than the duration promises: all are kept, in order.
    spec = {};
    spec.logSampleCount = 1000;
    ItemRef dense = ProbeItem(Write(QStringLiteral("dense.ts"), spec));
    ASSERT_DOUBLE_EQ(dense->duration, 49 / 25.0);
    ASSERT_TRUE(Decode(*dense, RecordingReadLimits{7 * 188, kMaxRecordingSize}));
    ASSERT_EQ(dense->log.count, 1000u);
    EXPECT_GE(dense->log.capacity, 1000u);
    for (std::uint32_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(dense->log.time[i], i * 200u) << i;
        ASSERT_FLOAT_EQ(dense->log.obdSpeed[i], 50.0f + 0.1f * static_cast<float>(i % 10)) << i;
    }
}

TEST_F(TsLogDecoding, BlockSizeAndTruncationDoNotChangeTheSamples) {
    TsRecordingSpec spec;
    spec.durationSeconds = 3;
    const QString path = Write(QStringLiteral("a.ts"), spec);
    ItemRef whole = ProbeItem(path);
    ASSERT_TRUE(Decode(*whole));
    ItemRef small = ProbeItem(path);
    ASSERT_TRUE(Decode(*small, RecordingReadLimits{5 * 188, kMaxRecordingSize}));
    ASSERT_EQ(whole->log.count, 15u);
    ASSERT_EQ(small->log.count, whole->log.count);
    EXPECT_EQ(std::memcmp(whole->log.block.get(), small->log.block.get(),
                          std::size_t{52} * whole->log.count),
              0);

    // Cut inside the last log packet: that packet is not one any more.
    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(path);
    const auto logs = tsrec::PacketOffsets(bytes, tsrec::kPidLog);
    bytes.resize(logs.back() + 150);
    ItemRef cut = ProbeItem(WriteBytes(QStringLiteral("cut.ts"), bytes));
    ASSERT_EQ(cut->fileType, FILE_TYPE_TS);
    ASSERT_TRUE(Decode(*cut, RecordingReadLimits{5 * 188, kMaxRecordingSize}));
    EXPECT_EQ(cut->log.count, 14u);
}

TEST_F(TsLogDecoding, NoLogPacketsGiveAnEmptyLog) {
    ItemRef item = ProbeItem(Write(QStringLiteral("a.ts"), TsRecordingSpec{}));
    ASSERT_EQ(item->fileType, FILE_TYPE_TS);
    // Only the first log packet carries the header the probe needs; drop its PID too.
    std::vector<std::uint8_t> bytes = tsrec::ReadFileBytes(item->path);
    for (std::size_t at : tsrec::PacketOffsets(bytes, tsrec::kPidLog)) {
        bytes[at + 1] &= 0xE0;
    }
    ASSERT_TRUE(tsrec::WriteFileBytes(item->path, bytes));
    ASSERT_TRUE(Decode(*item));
    EXPECT_EQ(item->log.count, 0u);
}

TEST_F(TsLogDecoding, StopFlagEndsADecodeBetweenBlocks) {
    ItemRef item = ProbeItem(Write(QStringLiteral("a.ts"), TsRecordingSpec{}));
    TLogManagement manager(nullptr, RecordingReadLimits{188, kMaxRecordingSize});
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

TEST_F(TsLogDecoding, ReadFailureKeepsTheCountAtZero) {
    ItemRef item = ProbeItem(Write(QStringLiteral("a.ts"), TsRecordingSpec{}));
    TLogManagement manager(nullptr);
    const platform::FileHandle closed;
    EXPECT_THROW(manager.ReadTSLog(closed, *item), std::runtime_error);
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
    ASSERT_EQ(log.capacity, 10u);
    // The 13 channels follow each other in one block.
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
    for (std::uint32_t i = 0; i < 11; ++i) {
        EXPECT_EQ(log.time[i], 0u);
        EXPECT_EQ(log.turnLamps[i], 0u);
    }
}

TEST(SensorLogBlock, DeepCopyIsIndependent) {
    SensorLog log;
    ASSERT_TRUE(AllocateSensorLog(log, 100));
    for (std::uint32_t i = 0; i < 5; ++i) {
        log.time[i] = 200 * i;
        log.coolant[i] = static_cast<std::int16_t>(-static_cast<int>(i));
        log.longitude[i] = 13.5f;
    }
    log.count = 5;
    log.batteryMax = 14.1f;
    const std::shared_ptr<const SensorLog> copy = CopySensorLog(log);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->count, 5u);
    EXPECT_EQ(copy->capacity, 5u);
    EXPECT_FLOAT_EQ(copy->batteryMax, 14.1f);
    log.time[4] = 7;
    FreeSensorLog(log);
    EXPECT_EQ(copy->time[4], 800u);
    EXPECT_EQ(copy->coolant[4], -4);
    EXPECT_FLOAT_EQ(copy->longitude[0], 13.5f);

    const std::shared_ptr<const SensorLog> empty = CopySensorLog(SensorLog{});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->count, 0u);
}
