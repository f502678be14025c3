#include "SensorLog.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Carves a block of kSensorLogBytesPerSample x capacity bytes. Every channel has
// a share of 4 bytes per sample; the 16-bit ones use half of theirs.
void CarveChannels(SensorLog& log, std::uint8_t* block, std::uint32_t capacity) {
    const std::size_t share = std::size_t{4} * capacity;
    std::size_t at = 0;
    const auto next = [&] {
        std::uint8_t* channel = block + at;
        at += share;
        return channel;
    };
    log.time = reinterpret_cast<std::uint32_t*>(next());
    log.gX = reinterpret_cast<float*>(next());
    log.gY = reinterpret_cast<float*>(next());
    log.gZ = reinterpret_cast<float*>(next());
    log.gTotal = reinterpret_cast<float*>(next());
    log.gpsSpeed = reinterpret_cast<float*>(next());
    log.obdSpeed = reinterpret_cast<float*>(next());
    log.battery = reinterpret_cast<float*>(next());
    log.latitude = reinterpret_cast<float*>(next());
    log.longitude = reinterpret_cast<float*>(next());
    log.rpm = reinterpret_cast<std::uint16_t*>(next());
    log.coolant = reinterpret_cast<std::int16_t*>(next());
    log.turnLamps = reinterpret_cast<std::uint32_t*>(next());
}

std::unique_ptr<std::uint8_t[]> NewBlock(std::uint32_t capacity) {
    const std::size_t bytes = std::size_t{kSensorLogBytesPerSample} * capacity;
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow)
                                               std::uint8_t[bytes == 0 ? 1 : bytes]());
}

void Install(SensorLog& log, std::unique_ptr<std::uint8_t[]> block, std::uint32_t capacity) {
    log.block = std::move(block);
    log.capacity = capacity;
    CarveChannels(log, log.block.get(), capacity);
}

template <typename T>
void CopyChannel(const T* from, std::uint32_t first, std::uint32_t count, T* to, std::uint32_t at) {
    if (count > 0) {
        std::memcpy(to + at, from + first, sizeof(T) * count);
    }
}

void Widen(float value, float& maximum, float& minimum) {
    if (value > maximum) {
        maximum = value;
    }
    if (value < minimum) {
        minimum = value;
    }
}

void Raise(float value, float& maximum) {
    if (value > maximum) {
        maximum = value;
    }
}

}  // namespace

bool AllocateSensorLog(SensorLog& log, std::uint32_t capacity) {
    std::unique_ptr<std::uint8_t[]> block = NewBlock(capacity);
    if (!block) {
        return false;
    }
    Install(log, std::move(block), capacity);
    log.count = 0;
    return true;
}

bool GrowSensorLog(SensorLog& log, std::uint32_t capacity, std::uint32_t keep) {
    SensorLog grown;
    if (!AllocateSensorLog(grown, capacity)) {
        return false;
    }
    if (log.block) {
        CopySensorLogSamples(log, 0, std::min({keep, capacity, log.capacity}), grown, 0);
    }
    Install(log, std::move(grown.block), capacity);
    return true;
}

void FreeSensorLog(SensorLog& log) {
    log.block.reset();
    log.capacity = 0;
    log.count = 0;
    log.time = nullptr;
    log.gX = log.gY = log.gZ = log.gTotal = nullptr;
    log.gpsSpeed = log.obdSpeed = log.battery = nullptr;
    log.latitude = log.longitude = nullptr;
    log.rpm = nullptr;
    log.coolant = nullptr;
    log.turnLamps = nullptr;
}

void CopySensorLogSamples(const SensorLog& from, std::uint32_t first, std::uint32_t count,
                          SensorLog& to, std::uint32_t at) {
    CopyChannel(from.time, first, count, to.time, at);
    CopyChannel(from.gX, first, count, to.gX, at);
    CopyChannel(from.gY, first, count, to.gY, at);
    CopyChannel(from.gZ, first, count, to.gZ, at);
    CopyChannel(from.gTotal, first, count, to.gTotal, at);
    CopyChannel(from.gpsSpeed, first, count, to.gpsSpeed, at);
    CopyChannel(from.obdSpeed, first, count, to.obdSpeed, at);
    CopyChannel(from.battery, first, count, to.battery, at);
    CopyChannel(from.latitude, first, count, to.latitude, at);
    CopyChannel(from.longitude, first, count, to.longitude, at);
    CopyChannel(from.rpm, first, count, to.rpm, at);
    CopyChannel(from.coolant, first, count, to.coolant, at);
    CopyChannel(from.turnLamps, first, count, to.turnLamps, at);
}

std::shared_ptr<const SensorLog> CopySensorLog(const SensorLog& log) {
    auto copy = std::make_shared<SensorLog>();
    const std::uint32_t count = log.block ? std::min(log.count, log.capacity) : 0;
    if (!AllocateSensorLog(*copy, count)) {
        return nullptr;
    }
    CopySensorLogSamples(log, 0, count, *copy, 0);
    copy->count = count;
    copy->gMax = log.gMax;
    copy->gMin = log.gMin;
    copy->speedMax = log.speedMax;
    copy->coolantMax = log.coolantMax;
    copy->coolantMin = log.coolantMin;
    copy->rpmMax = log.rpmMax;
    copy->batteryMax = log.batteryMax;
    copy->batteryMin = log.batteryMin;
    return copy;
}

void ClearSensorLogExtremes(SensorLog& log) {
    log.gMax = log.gMin = 0;
    log.speedMax = 0;
    log.coolantMax = log.coolantMin = 0;
    log.rpmMax = 0;
    log.batteryMax = log.batteryMin = 0;
}

void ComputeSensorLogExtremes(SensorLog& log) {
    ClearSensorLogExtremes(log);
    for (std::uint32_t i = 0; i < log.count; ++i) {
        Widen(log.gX[i], log.gMax, log.gMin);
        Widen(log.gY[i], log.gMax, log.gMin);
        Widen(log.gZ[i], log.gMax, log.gMin);
        Widen(log.gTotal[i], log.gMax, log.gMin);
        Raise(log.gpsSpeed[i], log.speedMax);
        Raise(log.obdSpeed[i], log.speedMax);
        Widen(static_cast<float>(log.coolant[i]), log.coolantMax, log.coolantMin);
        Widen(log.battery[i], log.batteryMax, log.batteryMin);
        Raise(static_cast<float>(log.rpm[i]), log.rpmMax);
    }
}
