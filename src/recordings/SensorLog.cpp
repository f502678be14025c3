#include "SensorLog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

namespace recordings {

namespace {

// Calls visit(&SensorLog::channel) for the 13 channels, in the order they are
// carved from the block.
template <typename Visit>
void ForEachChannel(Visit visit) {
    visit(&SensorLog::time);
    visit(&SensorLog::gX);
    visit(&SensorLog::gY);
    visit(&SensorLog::gZ);
    visit(&SensorLog::gTotal);
    visit(&SensorLog::gpsSpeed);
    visit(&SensorLog::obdSpeed);
    visit(&SensorLog::battery);
    visit(&SensorLog::latitude);
    visit(&SensorLog::longitude);
    visit(&SensorLog::rpm);
    visit(&SensorLog::coolant);
    visit(&SensorLog::turnLamps);
}

// Carves a block of kSensorLogBytesPerSample x capacity bytes. Every channel has
// a share of 4 bytes per sample; the 16-bit ones use half of theirs.
void CarveChannels(SensorLog& log, std::uint8_t* block, std::uint32_t capacity) {
    std::size_t at = 0;
    ForEachChannel([&](auto channel) {
        log.*channel =
            reinterpret_cast<std::remove_reference_t<decltype(log.*channel)>>(block + at);
        at += std::size_t{4} * capacity;
    });
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

// A value that is not a number or infinite (a damaged record) widens nothing.
void Widen(float value, float& maximum, float& minimum) {
    if (!std::isfinite(value)) {
        return;
    }
    if (value > maximum) {
        maximum = value;
    }
    if (value < minimum) {
        minimum = value;
    }
}

void Raise(float value, float& maximum) {
    if (std::isfinite(value) && value > maximum) {
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
    ForEachChannel([&](auto channel) { log.*channel = nullptr; });
}

void CopySensorLogSamples(const SensorLog& from, std::uint32_t first, std::uint32_t count,
                          SensorLog& to, std::uint32_t at) {
    ForEachChannel(
        [&](auto channel) { CopyChannel(from.*channel, first, count, to.*channel, at); });
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

}  // namespace recordings
