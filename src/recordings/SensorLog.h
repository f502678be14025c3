#pragma once

#include <cstdint>
#include <memory>

// The in-memory sensor log: 13 channels per sample in one zero-filled block, and
// the eight extremes of the whole log (each starts at 0, so a maximum is never
// below 0 and a minimum never above 0).
struct SensorLog {
    std::uint32_t capacity = 0;
    std::uint32_t count = 0;
    float gMax = 0, gMin = 0;
    float speedMax = 0;
    float coolantMax = 0, coolantMin = 0;
    float rpmMax = 0;
    float batteryMax = 0, batteryMin = 0;

    std::uint32_t* time = nullptr;  // ms
    float* gX = nullptr;
    float* gY = nullptr;
    float* gZ = nullptr;
    float* gTotal = nullptr;
    float* gpsSpeed = nullptr;  // km/h
    float* obdSpeed = nullptr;  // km/h
    float* battery = nullptr;   // V
    float* latitude = nullptr;
    float* longitude = nullptr;
    std::uint16_t* rpm = nullptr;
    std::int16_t* coolant = nullptr;     // whole degrees C
    std::uint32_t* turnLamps = nullptr;  // bit 0 left, bit 1 right

    std::unique_ptr<std::uint8_t[]> block;  // owns every channel
};

namespace recordings {

inline constexpr std::uint32_t kSensorLogBytesPerSample = 52;  // 13 channels x 4 bytes

// Gives the log one zero-filled block for `capacity` samples, carved into the 13
// channels; the count drops to 0, the extremes stay. False when the block cannot
// be had: the log then keeps its old block and samples.
bool AllocateSensorLog(SensorLog& log, std::uint32_t capacity);
// Like AllocateSensorLog, but the first `keep` samples are copied over and the
// count stays as it was.
bool GrowSensorLog(SensorLog& log, std::uint32_t capacity, std::uint32_t keep);
void FreeSensorLog(SensorLog& log);

// Copies samples [first, first + count) of `from` to `to` at index `at`, all 13
// channels; `to` must have room.
void CopySensorLogSamples(const SensorLog& from, std::uint32_t first, std::uint32_t count,
                          SensorLog& to, std::uint32_t at);
// A deep copy holding just the samples (capacity = count) and the extremes; null
// when it cannot be allocated.
std::shared_ptr<const SensorLog> CopySensorLog(const SensorLog& log);

// The eight extremes over all samples, each starting at 0.
void ComputeSensorLogExtremes(SensorLog& log);
void ClearSensorLogExtremes(SensorLog& log);

}  // namespace recordings
